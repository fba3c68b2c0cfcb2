// vkstring: a command-line automation client of the component. It creates one object by the
// ProgID "VkString.VkString" through the component model's activation and makes each call of
// its command line through IDispatch alone (GetIDsOfNames, then Invoke), as a script host
// does, printing one line per result. The same source builds natively, over the platform
// layer's activation and file-backed registry, and for Windows over ole32.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "charset/charset_names.h"
#include "coding/content_coding.h"
#include "platform/automation.h"
#include "platform/com_activation.h"
#include "platform/registry.h"
#include "platform/wide_units.h"
#include "tools/vkstring/call_parser.h"
#include "tools/vkstring/convert.h"
#include "tools/vkstring/help.h"
#include "tools/vkstring/shell_files.h"
#include "tools/vkstring/utf.h"
#include "tools/vkstring/values.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cwchar>
#else
#include <sys/stat.h>

#include <cstdlib>
#endif

namespace vk::cli {
namespace {

// Exit codes, one per class of outcome (listed in --help and the README).
enum ExitCode : int {
  kOk = 0,
  kCallFailed = 1,     // --strict: a member reporting success answered 0
  kUsage = 2,          // unknown option, no calls
  kMalformed = 3,      // a call that does not parse, or a byte-array source that cannot be read
  kUnknownMember = 4,  // DISP_E_UNKNOWNNAME
  kBadArguments = 5,   // wrong argument count or type, or a call form the member does not have
  kNoObject = 6,       // the object cannot be created
  kFailed = 7,         // any other failure of a call, or of writing the output
};

constexpr LCID kLocale = 0x0409;  // names and arguments are not localised

void complainAbout(const Call& call, const std::string& message) {
  complain("'" + call.source + "': " + message);
}

std::string hresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

const char* kindOfArgument(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR: return "a string";
    case VT_I4: return "an integer";
    case VT_DATE: return "a date";
    default: return "a byte array";
  }
}

std::string registrationAdvice() {
#ifdef _WIN32
  return "register the module first: regsvr32 VelkorString.dll";
#else
  const char* registry = std::getenv("VK_REGISTRY");
  std::string where = registry != nullptr && *registry != 0
                          ? std::string("the registry file ") + registry + " (VK_REGISTRY)"
                          : std::string(
                                "the registry file named by VK_REGISTRY (by default "
                                "~/.local/share/vkstring/registry)");
  return "register the module into " + where +
         " first: VK_REGISTRY=FILE vk_regsvr libVelkorString.so (scripts/build.sh registers into "
         "build/registry)";
#endif
}

// A registry that cannot be read is told as such (natively: its file, corrupt at a line, or
// unreadable), not as a class that is not registered. False when `hr` is no such failure.
bool complainOfRegistry(HRESULT hr) {
#ifdef _WIN32
  (void)hr;
  return false;
#else
  const HRESULT kCorrupt = static_cast<HRESULT>(0x800703F1u);     // ERROR_BADDB
  const HRESULT kUnreadable = static_cast<HRESULT>(0x800703F8u);  // ERROR_REGISTRY_IO_FAILED
  std::string problem = vk::platform::registryProblem();
  if ((hr != kCorrupt && hr != kUnreadable) || problem.empty()) return false;
  complain(problem + " (" + hresultText(hr) + ")");
  return true;
#endif
}

// Owns the thread's entry into the component model and the one object.
class Session {
 public:
  ~Session() {
    if (object_ != nullptr) object_->Release();
    if (initialised_) CoUninitialize();
  }

  int open() {
    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr)) {
      complain("cannot enter the component model (" + hresultText(hr) + ")");
      return kNoObject;
    }
    initialised_ = true;
    std::u16string progId = u"VkString.VkString";
    CLSID clsid;
    hr = CLSIDFromProgID(vk::platform::asOleChars(progId.c_str()), &clsid);
    if (FAILED(hr)) {
      if (!complainOfRegistry(hr)) {
        complain("the class \"VkString.VkString\" is not registered (" + hresultText(hr) + "); " +
                 registrationAdvice());
      }
      return kNoObject;
    }
    void* object = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object);
    if (FAILED(hr)) {
      if (!complainOfRegistry(hr)) {
        complain("cannot create a \"VkString.VkString\" object (" + hresultText(hr) +
                 "): the module "
                 "registered for it is missing or cannot be loaded; " +
                 registrationAdvice());
      }
      return kNoObject;
    }
    object_ = static_cast<IDispatch*>(object);
    return kOk;
  }

  IDispatch* object() const { return object_; }

 private:
  bool initialised_ = false;
  IDispatch* object_ = nullptr;
};

struct Options {
  bool quiet = false;
  bool strict = false;
  bool raw = false;  // byte arrays as their bytes, strings without a line break
};

// Writes a result: one line, or with --raw a byte array's own bytes or a string as it is, so
// that the output can be a converted file.
void printResult(const VARIANT& result, const Options& options) {
  if (options.raw && result.vt == (VT_ARRAY | VT_UI1) && result.parray != nullptr) {
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(result.parray, &data))) {
      std::fwrite(data, 1, result.parray->rgsabound[0].cElements, stdout);
      SafeArrayUnaccessData(result.parray);
    }
    return;
  }
  std::string line;
  if (!formatResult(result, &line)) return;
  if (!options.raw || result.vt != VT_BSTR) line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stdout);
}

// What a failed Invoke says, as a message and an exit code.
int invokeFailure(const Call& call, HRESULT hr, const std::vector<VARIANT>& reversed, UINT argError,
                  EXCEPINFO& exception) {
  const MemberInfo* member = findMember(call.name, call.form == CallForm::Put);
  switch (hr) {
    case DISP_E_BADPARAMCOUNT: {
      std::string message = "wrong number of arguments (" + std::to_string(call.arguments.size()) + " given";
      if (member != nullptr) message += "; " + memberSignature(*member);
      complainAbout(call, message + ")");
      return kBadArguments;
    }
    case DISP_E_TYPEMISMATCH:
    case DISP_E_BADVARTYPE:
    case DISP_E_OVERFLOW: {
      std::string message = "an argument has the wrong type";
      if (argError < reversed.size()) {
        std::size_t position = reversed.size() - argError;  // arguments travel last first
        message = "argument " + std::to_string(position) + " (" + kindOfArgument(reversed[argError]) +
                  ") has the wrong type";
      }
      if (member != nullptr) message += "; " + memberSignature(*member);
      complainAbout(call, message);
      return kBadArguments;
    }
    case DISP_E_MEMBERNOTFOUND:
      complainAbout(call, call.form == CallForm::Put ? call.name + " is not a property that can be set"
                                                     : call.name + " cannot be called or read this way");
      return kBadArguments;
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_NONAMEDARGS:
      complainAbout(call, "the arguments do not fit the member (" + hresultText(hr) + ")");
      return kBadArguments;
    case DISP_E_EXCEPTION: {
      if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
      std::string description = exception.bstrDescription != nullptr
                                    ? utf16ToUtf8(vk::platform::asUtf16(exception.bstrDescription),
                                                  SysStringLen(exception.bstrDescription))
                                    : std::string("no description");
      complainAbout(call, "the object raised an error: " + description);
      return kFailed;
    }
    case E_NOTIMPL:
      complainAbout(call, "the member is not implemented (" + hresultText(hr) + ")");
      return kFailed;
    default: complainAbout(call, "the call failed (" + hresultText(hr) + ")"); return kFailed;
  }
}

// Whether `path` names nothing at all (not a file that merely cannot be read: LoadFile's own
// answer tells that).
bool fileIsMissing(const std::string& path) {
#ifdef _WIN32
  std::u16string wide;
  utf8ToUtf16(path, &wide);
  return _wstat(reinterpret_cast<const wchar_t*>(wide.c_str()), nullptr) != 0 && errno == ENOENT;
#else
  struct stat info;
  return stat(path.c_str(), &info) != 0 && errno == ENOENT;
#endif
}

// The message for the first string argument of a `charset` or an `encoding` parameter that the
// component's own lookup does not know, so that a misspelt name stops the command line before
// any call instead of making the member quietly do nothing. Empty when every one is known.
std::string unknownNameArgument(const Call& call) {
  const MemberInfo* member = findMember(call.name, call.form == CallForm::Put);
  if (member == nullptr || call.form == CallForm::Put) return "";
  for (std::size_t i = 0; i < call.arguments.size() && i < static_cast<std::size_t>(member->parameterCount);
       ++i) {
    const Argument& argument = call.arguments[i];
    if (argument.kind != ArgumentKind::String) continue;
    const char* parameter = member->parameters[i].name;
    if (std::strcmp(parameter, "charset") == 0 && charsetToCodePage(argument.text.c_str()) == 0) {
      return unknownCharsetMessage(argument.text);
    }
    if (std::strcmp(parameter, "encoding") == 0) {
      XString name;
      name.setFromUtf8(argument.text.c_str());
      if (codingByName(name) == CodingKind::None) return unknownEncodingMessage(argument.text);
    }
  }
  return "";
}

// Makes one call; prints its result unless quiet.
int makeCall(IDispatch* object, const Call& call, const Options& options, ByteSources& sources) {
  std::u16string name;
  utf8ToUtf16(call.name, &name);  // a name is ASCII by the grammar
  LPOLESTR names[1] = {vk::platform::asOleChars(&name[0])};
  DISPID dispid = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, kLocale, &dispid);
  if (hr == DISP_E_UNKNOWNNAME) {
    complainAbout(call, "no member is called " + call.name + " (vkstring --help lists them)");
    return kUnknownMember;
  }
  if (FAILED(hr)) {
    complainAbout(call, "cannot look up the member (" + hresultText(hr) + ")");
    return kFailed;
  }

  // Arguments travel last first.
  std::vector<VARIANT> reversed(call.arguments.size());
  for (VARIANT& v : reversed) VariantInit(&v);
  struct Clear {
    std::vector<VARIANT>& values;
    ~Clear() {
      for (VARIANT& v : values) VariantClear(&v);
    }
  } clear{reversed};
  for (std::size_t i = 0; i < call.arguments.size(); ++i) {
    std::string error;
    if (!makeArgument(call.arguments[i], sources, &reversed[reversed.size() - 1 - i], &error)) {
      complainAbout(call, "argument " + std::to_string(i + 1) + ": " + error);
      return kMalformed;
    }
  }
  // LoadFile answers 0 for a missing file as for an unreadable one; --strict names the file
  // before the call, at the point where it is missing (an earlier call may have written it).
  if (options.strict && call.form == CallForm::Call &&
      findMember(call.name, false) == findMember("LoadFile", false) && !call.arguments.empty() &&
      call.arguments[0].kind == ArgumentKind::String && fileIsMissing(call.arguments[0].text)) {
    complainAbout(call, "no file \"" + call.arguments[0].text + "\" to load (--strict)");
    return kCallFailed;
  }
  DISPID putName = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  params.rgdispidNamedArgs = call.form == CallForm::Put ? &putName : nullptr;
  params.cNamedArgs = call.form == CallForm::Put ? 1 : 0;
  WORD flags = call.form == CallForm::Put ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD | DISPATCH_PROPERTYGET;

  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception;
  std::memset(&exception, 0, sizeof exception);
  UINT argError = static_cast<UINT>(-1);
  hr = object->Invoke(dispid, IID_NULL, kLocale, flags, &params,
                      call.form == CallForm::Put ? nullptr : &result, &exception, &argError);
  if (FAILED(hr)) {
    int code = invokeFailure(call, hr, reversed, argError, exception);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&result);
    return code;
  }

  if (!options.quiet) printResult(result, options);
  const MemberInfo* member = findMember(call.name, call.form == CallForm::Put);
  bool failed = member != nullptr && reportsSuccess(*member) && result.vt == VT_I4 && result.lVal == 0;
  VariantClear(&result);
  if (options.strict && failed) {
    complainAbout(call, "answered 0: it did not succeed (--strict)");
    return kCallFailed;
  }
  return kOk;
}

// Writes a text the program was asked for (help, version, generated files) to standard output.
int printText(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? kOk : kFailed;
}

int run(const std::vector<std::string>& args) {
  if (isConvertCommandLine(args)) {
    ConvertOptions convertOptions;
    std::string error;
    if (!parseConvertOptions(args, &convertOptions, &error)) {
      complain(error);
      return kUsage;
    }
    return runConversion(convertOptions);
  }
  if (!args.empty() && (args[0] == "-l" || args[0] == "--list")) return listCharsets();
  // The build's generators of the man page and the completion script.
  if (args.size() == 1 && (args[0] == "--print-man-page" || args[0] == "--print-bash-completion")) {
    return printText(args[0] == "--print-man-page" ? manPage() : bashCompletion());
  }
  Options options;
  std::vector<Call> calls;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && (arg == "-h" || (arg.size() > 1 && arg.compare(0, 2, "--") == 0))) {
      if (arg == "--") {
        optionsEnded = true;
      } else if (arg == "--help" || arg == "-h") {
        return printText(helpText());
      } else if (arg == "--version") {
        return printText(versionText());
      } else if (arg == "--quiet") {
        options.quiet = true;
      } else if (arg == "--strict") {
        options.strict = true;
      } else if (arg == "--raw") {
        options.raw = true;
      } else {
        complain("unknown option " + arg + " (vkstring --help lists the options)");
        return kUsage;
      }
      continue;
    }
    Call call;
    std::string error;
    if (!parseCall(arg, &call, &error)) {
      complain("'" + arg + "': malformed call: " + error);
      return kMalformed;
    }
    calls.push_back(call);
  }
  if (calls.empty()) {
    complain("no calls given; usage: vkstring [--quiet] [--strict] CALL... (vkstring --help for more)");
    return kUsage;
  }

  // The member table is known: a name no member has is refused before any call is made.
  for (const Call& call : calls) {
    if (findMember(call.name, call.form == CallForm::Put) == nullptr &&
        findMember(call.name, call.form != CallForm::Put) == nullptr) {
      complainAbout(call, "no member is called " + call.name + " (vkstring --help lists them)");
      return kUnknownMember;
    }
    if (std::string message = unknownNameArgument(call); !message.empty()) {
      complainAbout(call, message);
      return kUsage;
    }
  }
  Session session;
  int code = session.open();
  ByteSources sources;
  for (std::size_t i = 0; code == kOk && i < calls.size(); ++i) {
    code = makeCall(session.object(), calls[i], options, sources);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    complain("cannot write the results to standard output");
    if (code == kOk) code = kFailed;
  }
  return code;
}

}  // namespace
}  // namespace vk::cli

#ifdef _WIN32
// Arguments arrive as UTF-16 and are handled as UTF-8 like the native ones; results are
// written as UTF-8 bytes, without the text mode's line-end translation.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(vk::cli::utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i]), std::wcslen(argv[i])));
  }
  _setmode(_fileno(stdout), _O_BINARY);
  return vk::cli::run(args);
}
#else
int main(int argc, char** argv) { return vk::cli::run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
