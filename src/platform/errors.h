#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace keydesk {

// The system's errors. Messages are code page 936 text, like every other text inside the
// system, and use the system's own wording where it has one.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that does not convert to the value asked for (integer, date and time).
class ConvertError : public Error {
 public:
  using Error::Error;
};

// A request text that is not a document the XML reader accepts.
class XmlParseError : public Error {
 public:
  using Error::Error;
};

// A file that cannot be written.
class IoError : public Error {
 public:
  using Error::Error;
};

// A run-time library that cannot be loaded or lacks a function.
class LibraryError : public Error {
 public:
  using Error::Error;
};

// A socket operation that failed; the message is the system's socket error text.
class SocketError : public Error {
 public:
  using Error::Error;
};

// A receive that waited longer than the socket's time limit.
class TimeoutError : public SocketError {
 public:
  using SocketError::SocketError;
};

// A request frame the intake refuses.
class FramingError : public Error {
 public:
  using Error::Error;
};

// Replaces the first "%s" of pattern with value.
std::string Substitute(std::string_view pattern, std::string_view value);

inline constexpr std::string_view kNotValidInteger = "'%s' is not a valid integer value";
inline constexpr std::string_view kNotValidDateTime = "'%s' is not a valid date and time";
inline constexpr std::string_view kUnableToWrite = "Unable to write to %s";
inline constexpr std::string_view kAddressInUse =
    "Could not bind socket. Address and port are already in use.";
inline constexpr std::string_view kMaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr std::string_view kTerminateThreadTimeout = "Terminate Thread Timeout";

}  // namespace keydesk
