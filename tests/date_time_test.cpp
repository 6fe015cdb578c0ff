#include "platform/date_time.h"

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace keydesk {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
            int millisecond = 0) {
  return DateTime::FromParts({year, month, day, hour, minute, second, millisecond}).value();
}

TEST(DateTimeCalendar, ZeroIsTheEpochOfTheRecordStore) {
  EXPECT_TRUE(At(1899, 12, 30).IsZero());
  EXPECT_FALSE(At(1899, 12, 30, 0, 0, 0, 1).IsZero());
  EXPECT_EQ(At(1899, 12, 31).Milliseconds(), 86'400'000);
}

TEST(DateTimeCalendar, RejectsImpossibleParts) {
  EXPECT_FALSE(DateTime::FromParts({2008, 13, 1}).has_value());
  EXPECT_FALSE(DateTime::FromParts({2008, 0, 1}).has_value());
  EXPECT_FALSE(DateTime::FromParts({2008, 2, 30}).has_value());
  EXPECT_FALSE(DateTime::FromParts({2007, 2, 29}).has_value());
  EXPECT_TRUE(DateTime::FromParts({2008, 2, 29}).has_value());
  EXPECT_FALSE(DateTime::FromParts({2000, 4, 31}).has_value());
  EXPECT_FALSE(DateTime::FromParts({2008, 1, 1, 24}).has_value());
  EXPECT_FALSE(DateTime::FromParts({2008, 1, 1, 23, 60}).has_value());
  EXPECT_FALSE(DateTime::FromParts({2008, 1, 1, 23, 59, 60}).has_value());
  EXPECT_FALSE(DateTime::FromParts({0, 1, 1}).has_value());
  EXPECT_FALSE(DateTime::FromParts({10000, 1, 1}).has_value());
}

TEST(DateTimeCalendar, DecodesWhatItWasBuiltFrom) {
  for (const DateTime::Parts& parts :
       std::initializer_list<DateTime::Parts>{{1, 1, 1, 0, 0, 0, 0},
                                              {1850, 6, 15, 7, 8, 9, 10},
                                              {1899, 12, 29, 23, 59, 59, 999},
                                              {2000, 2, 29, 12, 0, 0, 0},
                                              {2042, 12, 31, 23, 59, 0, 0},
                                              {9999, 12, 31, 23, 59, 59, 999}}) {
    const DateTime::Parts back = At(parts.year, parts.month, parts.day, parts.hour, parts.minute,
                                    parts.second, parts.millisecond)
                                     .Decode();
    EXPECT_EQ(back.year, parts.year);
    EXPECT_EQ(back.month, parts.month);
    EXPECT_EQ(back.day, parts.day);
    EXPECT_EQ(back.hour, parts.hour);
    EXPECT_EQ(back.minute, parts.minute);
    EXPECT_EQ(back.second, parts.second);
    EXPECT_EQ(back.millisecond, parts.millisecond);
  }
}

TEST(DateTimeArithmetic, MinutesAreExactAcrossDaysMonthsAndYears) {
  EXPECT_EQ(At(2008, 8, 18, 14, 0).AddMinutes(-10), At(2008, 8, 18, 13, 50));
  EXPECT_EQ(At(2008, 8, 20, 12, 0).AddMinutes(30), At(2008, 8, 20, 12, 30));
  EXPECT_EQ(At(2008, 12, 31, 23, 59, 30).AddMinutes(1), At(2009, 1, 1, 0, 0, 30));
  EXPECT_EQ(At(2008, 3, 1, 0, 5).AddMinutes(-10), At(2008, 2, 29, 23, 55));
  EXPECT_EQ(At(2008, 3, 1, 0, 0, 0, 1).AddMinutes(1440 * 366), At(2009, 3, 2, 0, 0, 0, 1));
  EXPECT_EQ(At(2026, 1, 1, 0, 30).AddHours(-1), At(2025, 12, 31, 23, 30));
  EXPECT_EQ(At(2026, 2, 27, 9).AddDays(2), At(2026, 3, 1, 9));
}

TEST(DateTimeFormat, WritesTheSystemsPatterns) {
  const DateTime value = At(2008, 3, 5, 4, 7, 9, 42);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss ", value), "2008-03-05 04:07:09 ");
  EXPECT_EQ(FormatDateTime("yyyymmdd", value), "20080305");
  EXPECT_EQ(FormatDateTime("YYMMDDHHNN", value), "0803050407");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD HH:NN:SS", value), "2008-03-05 04:07:09");
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", value), "04:07:09.042");
  EXPECT_EQ(FormatDateTime("YYMMDD", At(2008, 3, 15, 14, 5)) +
                FormatDateTime("HHNN", At(2008, 3, 15, 14, 5)),
            "0803151405");
  EXPECT_EQ(FormatDateTime("yyyymmdd", At(2009, 1, 1)), "20090101");
}

TEST(DateTimeFormat, KeepsOtherCharacters) {
  EXPECT_EQ(FormatDateTime("[d] y-x", At(2008, 3, 5)), "[d] y-x");
}

TEST(DateTimeReader, ReadsTheRequestForms) {
  EXPECT_EQ(StrToDateTime("2008-08-18 14:00:00"), At(2008, 8, 18, 14));
  EXPECT_EQ(StrToDateTime("2008-08-18 14:05"), At(2008, 8, 18, 14, 5));
  EXPECT_EQ(StrToDateTime("2008-8-1 4:05:09"), At(2008, 8, 1, 4, 5, 9));
  EXPECT_EQ(StrToDateTime("2008-08-18"), At(2008, 8, 18));
  EXPECT_EQ(StrToDateTime("2008-08-18 "), At(2008, 8, 18));
  EXPECT_EQ(StrToDateTime(" 2008-08-18  23:59:59 "), At(2008, 8, 18, 23, 59, 59));
  EXPECT_EQ(StrToDateTime("2026-12-07 08:00:00.250"), At(2026, 12, 7, 8, 0, 0, 250));
}

TEST(DateTimeReader, RefusesOtherTextsWithTheSystemsMessage) {
  for (const char* text :
       {"2008/08/18 14:00:00", "2008-13-01 00:00:00", "2008-02-30 10:00", "2008-08-18 24:00:00",
        "2008-08-18 14:00:00x", "2008-08-18 14", "08-08-18 14:00", "", " ", "2008-08-18T14:00",
        "2008-08-18 14:60", "2008-08-18 14:00:60", "2008-08-18 14:00:00 x", "abc", "2008-008-18",
        "2008-08-18 -1:00"}) {
    try {
      StrToDateTime(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const ConvertError& error) {
      EXPECT_EQ(std::string(error.what()),
                std::string("'") + text + "' is not a valid date and time");
    }
  }
}

}  // namespace
}  // namespace keydesk
