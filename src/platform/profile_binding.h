#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>

#include "platform/conversions.h"
#include "platform/profile_file.h"

namespace keydesk {

// Binds a field of an options object to a key of a profile file, with the key's default and
// the system's reading and writing rules for its type. Options classes keep one table of
// these and load or save it in order.
//
// Reading: text as stored; integers in decimal with a sign, or hexadecimal after "$" or
// "0x", anything else (also a present empty value) giving the default; Booleans read as
// integers (default 1 or 0), any value but 0 meaning true; unsigned 32-bit fields are read
// as a 64-bit integer and keep its low 32 bits. Writing: text as is, integers in decimal,
// Booleans as "1" or "0", unsigned 32-bit fields as the signed decimal form of their bits.
template <class Owner>
class ProfileBinding {
 public:
  using Text = std::string Owner::*;
  using Integer = int32_t Owner::*;
  using Boolean = bool Owner::*;
  using Unsigned = uint32_t Owner::*;

  ProfileBinding(const char* section, const char* key, Text field, const char* defaultValue)
      : section_(section), key_(key), field_(field), default_(std::string(defaultValue)) {}
  ProfileBinding(const char* section, const char* key, Integer field, int32_t defaultValue)
      : section_(section), key_(key), field_(field), default_(defaultValue) {}
  ProfileBinding(const char* section, const char* key, Boolean field, bool defaultValue)
      : section_(section), key_(key), field_(field), default_(defaultValue) {}
  ProfileBinding(const char* section, const char* key, Unsigned field, uint32_t defaultValue)
      : section_(section), key_(key), field_(field), default_(defaultValue) {}

  const char* Section() const { return section_; }
  const char* Key() const { return key_; }

  void Load(const ProfileFile& file, Owner& owner) const {
    switch (field_.index()) {
      case 0:
        owner.*std::get<Text>(field_) =
            file.ReadString(section_, key_, std::get<std::string>(default_));
        break;
      case 1:
        owner.*std::get<Integer>(field_) = ReadInteger(file, std::get<int32_t>(default_));
        break;
      case 2:
        owner.*std::get<Boolean>(field_) = ReadInteger(file, std::get<bool>(default_) ? 1 : 0) != 0;
        break;
      case 3: {
        const uint32_t fallback = std::get<uint32_t>(default_);
        auto value = TryStrToInt64(file.ReadString(section_, key_, ""));
        owner.*std::get<Unsigned>(field_) = value ? static_cast<uint32_t>(*value) : fallback;
        break;
      }
    }
  }

  // The owner's field when it is an integer; nullptr otherwise.
  int32_t* IntegerField(Owner& owner) const {
    return field_.index() == 1 ? &(owner.*std::get<Integer>(field_)) : nullptr;
  }

  // Gives the field its default, as a missing key would.
  void SetDefault(Owner& owner) const {
    std::visit(
        [&](const auto& field) {
          using Value = std::remove_reference_t<decltype(owner.*field)>;
          owner.*field = std::get<Value>(default_);
        },
        field_);
  }

  void Save(ProfileFile& file, const Owner& owner) const {
    file.WriteString(section_, key_, WrittenText(owner));
  }

  // The field as Save writes it.
  std::string WrittenText(const Owner& owner) const {
    switch (field_.index()) {
      case 0:
        return owner.*std::get<Text>(field_);
      case 1:
        return std::to_string(owner.*std::get<Integer>(field_));
      case 2:
        return owner.*std::get<Boolean>(field_) ? "1" : "0";
      case 3:
        return std::to_string(static_cast<int32_t>(owner.*std::get<Unsigned>(field_)));
    }
    return {};
  }

 private:
  int32_t ReadInteger(const ProfileFile& file, int32_t defaultValue) const {
    return StrToIntDef(file.ReadString(section_, key_, ""), defaultValue);
  }

  const char* section_;
  const char* key_;
  std::variant<Text, Integer, Boolean, Unsigned> field_;
  std::variant<std::string, int32_t, bool, uint32_t> default_;
};

}  // namespace keydesk
