// The call syntax of the command line, modelled on VBScript:
//   Name                   call a method or read a property
//   Name(arg, ...)         call with arguments (Name() is Name)
//   Name = arg             put a property
// with the argument forms
//   "text"                 a string; "" inside stands for one quote
//   42, -7, &HFF           a 32-bit integer, decimal or VBScript hexadecimal (&HFFFFFFFF is -1)
//   #2024-03-05 14:03:07#  a date (see calendar.h for the forms)
//   -                      standard input's bytes, as a byte array
//   @path, @"path"         a file's bytes, as a byte array
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/vkstring/calendar.h"

namespace vk::cli {

enum class ArgumentKind { String, Integer, Date, StandardInput, File };

struct Argument {
  ArgumentKind kind = ArgumentKind::String;
  std::string text;  // String: the text (UTF-8); File: the path
  std::int32_t integer = 0;
  CalendarTime date;
};

enum class CallForm {
  Call,  // Name or Name(...): a method call or a property read
  Put,   // Name = value
};

struct Call {
  std::string source;  // the call as written, for messages
  std::string name;
  CallForm form = CallForm::Call;
  std::vector<Argument> arguments;
};

// Parses one call. False for a malformed call, with a message that says what is wrong and
// where (the column, counted from 1 in characters of the call's text).
bool parseCall(const std::string& text, Call* call, std::string* error);

}  // namespace vk::cli
