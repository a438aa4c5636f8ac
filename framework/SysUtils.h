// The error classes of the class library and its run-time.
#pragma once

#include <exception>
#include <string>

// Base of every error the program raises; carries the message shown in the standard error box.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : m_message(std::move(message)) {}
  const std::string& Message() const { return m_message; }
  const char* what() const noexcept override { return m_message.c_str(); }
  // The class name shown by tools that report errors ("EConvertError").
  virtual const char* ClassName() const { return "Exception"; }

 private:
  std::string m_message;
};

#define ORV_ERROR_CLASS(Name, Base)                          \
  class Name : public Base {                                 \
   public:                                                   \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

ORV_ERROR_CLASS(EConvertError, Exception);
ORV_ERROR_CLASS(EMathError, Exception);
ORV_ERROR_CLASS(EZeroDivide, EMathError);
ORV_ERROR_CLASS(EInvalidOp, EMathError);
ORV_ERROR_CLASS(EOverflow, EMathError);
ORV_ERROR_CLASS(EInvalidOperation, Exception);
ORV_ERROR_CLASS(EOutOfResources, Exception);
ORV_ERROR_CLASS(EClipboardException, Exception);
ORV_ERROR_CLASS(EStreamError, Exception);
ORV_ERROR_CLASS(EReadError, EStreamError);
ORV_ERROR_CLASS(EInvalidGraphic, Exception);
