#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace keydesk {

// How a key's value is read. The keys the system has always had are read leniently (a value
// that is no number gives the default, silently); the keys keydesk added are strict: a value
// that cannot be read stops the start, since each of them bounds who may connect or what a
// flood can fill.
enum class OptionType {
  Text,        // as stored
  Integer,     // lenient: decimal, "$" or "0x" hexadecimal; anything else gives the default
  Port,        // an interface kind's listening port, read as Integer
  Switch,      // lenient: an integer, any value but 0 is on
  Seconds,     // strict: a count of seconds in Min..Max
  Count,       // strict: a count in Min..Max
  OnOff,       // strict: an integer, any value but 0 is on
  Address,     // strict: an IPv4 address of this machine
  Hosts,       // strict: addresses and ranges, or "any"
  Choice,      // strict: one of the names in Choices, in any letter case
  Connection,  // a PostgreSQL connection string; 系统设置 shows its server, port, database, user
};

// When a changed value is used: at once (the dialog that changed it applies it), when the
// listener starts again (系统设置 offers that as soon as one is saved), or only after keydesk
// starts again (start-up reads it, and connection threads read it unlocked).
enum class OptionEffect { Now, ListenerRestart, NextStart };

// Where the clerk or the IT person sets it, besides a text editor.
enum class OptionPlace { FileOnly, SystemSettings, DoorlockOptions, PasswordDialog };

// One key with the text that its options' Save writes for it (code page 936).
struct OptionKeyText {
  const char* Section;
  const char* Key;
  std::string Text;
};

// One key of Option.ini, described once: its readers take its default and range from here,
// 系统设置 its caption, help and check, and the options table in docs/ is made from it.
// Texts are UTF-8.
struct OptionKey {
  const char* Section;
  const char* Name;
  OptionType Type;
  const char* Default;  // as the file would hold it; "" for none
  int64_t Min = 0;      // numbers: the range, when Max > Min
  int64_t Max = 0;
  const char* Rule = "";     // what a value must be ("应为 …"); empty when anything goes
  const char* Caption = "";  // the field's name for the clerk; empty: no dialog shows it
  const char* Help = "";     // one line on what it does
  OptionEffect Effect = OptionEffect::NextStart;
  const char* Kind = "";  // the interface kind it belongs to (its access name); "" for all
  OptionPlace Place = OptionPlace::FileOnly;
  const char* Group = "";    // the group 系统设置 shows it in
  const char* Choices = "";  // a Choice's names, separated by "|"; 系统设置 offers them

  bool Strict() const;
  bool Ranged() const { return Max > Min; }
  // The default as a number, for the numeric types; 0 for an empty default.
  int64_t NumberDefault() const;
};

// The key of that section and name in keys (names in any letter case, as the profile
// functions match them); nullptr when it has none.
const OptionKey* FindOptionKey(std::span<const OptionKey> keys, std::string_view section,
                               std::string_view name);

}  // namespace keydesk
