#include "tools/vkstring/call_parser.h"

#include <cctype>

#include "tools/vkstring/utf.h"

namespace vk::cli {
namespace {

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

class Parser {
 public:
  Parser(const std::string& text, std::string* error) : text_(text), error_(error) {}

  bool parse(Call* call) {
    skipBlanks();
    if (!isNameStart(peek())) return fail("expected a member name");
    std::size_t start = pos_;
    while (isNameChar(peek())) ++pos_;
    call->name = text_.substr(start, pos_ - start);
    skipBlanks();
    if (take('(')) {
      call->form = CallForm::Call;
      skipBlanks();
      if (!take(')')) {
        for (;;) {
          Argument argument;
          if (!parseArgument(",)", &argument)) return false;
          call->arguments.push_back(argument);
          skipBlanks();
          if (take(')')) break;
          if (!take(',')) return fail("expected ',' or ')' after an argument");
        }
      }
    } else if (take('=')) {
      call->form = CallForm::Put;
      Argument argument;
      if (!parseArgument("", &argument)) return false;
      call->arguments.push_back(argument);
    }
    skipBlanks();
    if (!atEnd()) return fail("unexpected text after the call");
    return true;
  }

 private:
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek(std::size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
  bool take(char c) {
    if (peek() != c || atEnd()) return false;
    ++pos_;
    return true;
  }
  void skipBlanks() {
    while (peek() == ' ' || peek() == '\t') ++pos_;
  }

  // Columns count characters, not bytes, so that a message points at the right place in a call
  // holding non-ASCII text.
  std::size_t column(std::size_t at) const {
    std::size_t col = 1;
    for (std::size_t i = 0; i < at && i < text_.size(); ++i) {
      if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++col;
    }
    return col;
  }
  bool failAt(std::size_t at, const std::string& message) {
    *error_ = message + " at column " + std::to_string(column(at));
    return false;
  }
  bool fail(const std::string& message) { return failAt(pos_, message); }

  // One argument; `stops` are the characters that end a bare @path.
  bool parseArgument(const char* stops, Argument* argument) {
    skipBlanks();
    std::size_t start = pos_;
    char c = peek();
    if (atEnd() || c == ',' || c == ')') return fail("expected an argument");
    if (c == '"') {
      argument->kind = ArgumentKind::String;
      return parseString(&argument->text);
    }
    if (c == '#') return parseDate(argument);
    if (c == '@') {
      ++pos_;
      argument->kind = ArgumentKind::File;
      if (peek() == '"') {
        if (!parseString(&argument->text)) return false;
      } else {
        while (!atEnd() && std::string(stops).find(peek()) == std::string::npos) ++pos_;
        std::size_t end = pos_;
        while (end > start + 1 && (text_[end - 1] == ' ' || text_[end - 1] == '\t')) --end;
        argument->text = text_.substr(start + 1, end - start - 1);
      }
      if (argument->text.empty()) return failAt(start, "'@' must be followed by a file name");
      if (argument->text.find('\0') != std::string::npos)
        return failAt(start, "a file name cannot hold a NUL");
      return true;
    }
    if (c == '-' && !std::isdigit(static_cast<unsigned char>(peek(1)))) {
      ++pos_;
      argument->kind = ArgumentKind::StandardInput;
      return true;
    }
    if (c == '&' || c == '-' || c == '+' || std::isdigit(static_cast<unsigned char>(c))) {
      argument->kind = ArgumentKind::Integer;
      return parseInteger(&argument->integer);
    }
    return fail("expected a string in double quotes, a number, a #date#, '-' or '@file'");
  }

  bool parseString(std::string* out) {
    std::size_t start = pos_;
    ++pos_;  // the opening quote
    out->clear();
    for (;;) {
      if (atEnd()) return failAt(start, "the string is not closed with '\"'");
      char c = text_[pos_++];
      if (c == '"') {
        if (!take('"')) break;
      }
      out->push_back(c);
    }
    std::u16string units;
    if (!utf8ToUtf16(*out, &units)) return failAt(start, "the string is not valid UTF-8");
    return true;
  }

  bool parseInteger(std::int32_t* value) {
    std::size_t start = pos_;
    if (take('&')) {
      if (!take('H') && !take('h'))
        return failAt(start, "a hexadecimal number is written &H followed by digits");
      std::uint64_t v = 0;
      int digits = 0;
      while (std::isxdigit(static_cast<unsigned char>(peek()))) {
        char d = text_[pos_++];
        v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(d))
                                               ? d - '0'
                                               : (std::toupper(d) - 'A' + 10));
        if (++digits > 8) return failAt(start, "a hexadecimal number has at most 8 digits");
      }
      if (digits == 0) return failAt(start, "a hexadecimal number is written &H followed by digits");
      // As in VBScript, &H8000 to &HFFFF are 16-bit values read as negative and eight digits
      // cover the whole 32-bit range, so &HFFFFFFFF is -1.
      if (digits <= 4 && v >= 0x8000) v |= 0xFFFF0000u;
      *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    } else {
      bool negative = take('-');
      if (!negative) take('+');
      std::int64_t v = 0;
      int digits = 0;
      while (std::isdigit(static_cast<unsigned char>(peek()))) {
        v = v * 10 + (text_[pos_++] - '0');
        ++digits;
        if (v > 2147483648LL) return failAt(start, "the number does not fit in 32 bits");
      }
      if (digits == 0) return failAt(start, "expected digits");
      if (negative) v = -v;
      if (v > 2147483647LL) return failAt(start, "the number does not fit in 32 bits");
      *value = static_cast<std::int32_t>(v);
    }
    if (isNameChar(peek()) || peek() == '.')
      return failAt(start, "a number must be an integer written in digits");
    return true;
  }

  bool parseDate(Argument* argument) {
    std::size_t start = pos_;
    ++pos_;  // the opening #
    std::size_t close = text_.find('#', pos_);
    if (close == std::string::npos) return failAt(start, "the date is not closed with '#'");
    std::string why;
    if (!parseDateLiteral(text_.substr(pos_, close - pos_), &argument->date, &why)) {
      return failAt(start, "bad date #" + text_.substr(pos_, close - pos_) + "#: " + why);
    }
    argument->kind = ArgumentKind::Date;
    pos_ = close + 1;
    return true;
  }

  const std::string& text_;
  std::string* error_;
  std::size_t pos_ = 0;
};

}  // namespace

bool parseCall(const std::string& text, Call* call, std::string* error) {
  *call = Call();
  call->source = text;
  return Parser(text, error).parse(call);
}

}  // namespace vk::cli
