#pragma once
// The program's one exception hierarchy. Every failure that reaches the user
// is an Exception whose message is the text shown in the error box.

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Floating-point faults of the generators' arithmetic.
class EMathError : public Exception {
    using Exception::Exception;
};
class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};
class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};
class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

// A text that should have been a number.
class EConvertError : public Exception {
    using Exception::Exception;
};

// A value outside the range it must keep.
class ERangeError : public Exception {
    using Exception::Exception;
};

// A stream that could not deliver or take the bytes asked of it.
class EStreamError : public Exception {
    using Exception::Exception;
};
