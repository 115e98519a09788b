// SysUtils: the root of the exception tree and the few text helpers that every
// layer needs. Messages are byte strings: UTF-8 for the installer's own texts,
// ANSI bytes where an engine reports something read from a file.
#pragma once

#include <cstdarg>
#include <exception>
#include <string>

namespace velmorak {

// Root of every error the system raises. The message is produced once, by the
// code that raises, in its final words; handlers only show it.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  ~Exception() override = default;

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// Raised when a text cannot be converted to the value it should hold.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// The silent abort: ends an operation the user cancelled. Handlers that show
// errors pass it by without a message.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};
// Raises EAbort ("Operation aborted").
[[noreturn]] void Abort();

// Raised when an object is not of the class an operation needs
// ("Invalid class typecast").
class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

// The floating-point errors: an invalid operation (NaN, or a real that does
// not fit the integer it must become), an overflow (a result beyond the
// double range) and a division by zero.
class EMathError : public Exception {
 public:
  using Exception::Exception;
};
class EInvalidOp : public EMathError {
 public:
  EInvalidOp() : EMathError("Invalid floating point operation") {}
};
class EOverflow : public EMathError {
 public:
  EOverflow() : EMathError("Floating point overflow") {}
};
class EZeroDivide : public EMathError {
 public:
  EZeroDivide() : EMathError("Floating point division by zero") {}
};

// printf-style formatting into a std::string. Every "%s" argument must be a
// NUL-terminated C string.
std::string Format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatV(const char* fmt, va_list args);

// Overwrites a memory area in a way the optimiser may not remove; used for
// keys, digests and chaining blocks before their storage is released.
void SecureZero(void* data, std::size_t size) noexcept;
void SecureFill(void* data, std::size_t size, unsigned char value) noexcept;

}  // namespace velmorak
