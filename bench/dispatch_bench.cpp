// Late-bound member calls through IDispatch::Invoke against the direct vtable call of the same
// member, so that the difference is the dispatcher's own cost: finding the member, placing and
// checking the arguments, coercing where needed, and wrapping the result. Each case reports
// calls/s; name lookup (GetIDsOfNames) is measured on its own.
#include <benchmark/benchmark.h>

#include <string>

#include "component/vkstring.h"

namespace {

constexpr DISPID kStr = 1;
constexpr DISPID kAppend = 2;
constexpr DISPID kLength = 20;
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

class Object {
 public:
  Object() : object_(new vk::VkString) {
    object_->AddRef();
    BSTR text = SysAllocString(u"late-bound member calls");
    object_->put_Str(text);
    SysFreeString(text);
  }
  ~Object() { object_->Release(); }
  vk::VkString* operator->() { return object_; }

 private:
  vk::VkString* object_;
};

void countCalls(benchmark::State& state) {
  state.counters["calls/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void LengthDirect(benchmark::State& state) {
  Object object;
  LONG length = 0;
  for (auto _ : state) {
    object->Length(&length);
    benchmark::DoNotOptimize(length);
  }
  countCalls(state);
}

void LengthInvoke(benchmark::State& state) {
  Object object;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  for (auto _ : state) {
    object->Invoke(kLength, IID_NULL, 0, kCall, &none, &result, nullptr, nullptr);
    benchmark::DoNotOptimize(result.lVal);
  }
  countCalls(state);
}

void StrDirect(benchmark::State& state) {
  Object object;
  BSTR text = nullptr;
  for (auto _ : state) {
    object->get_Str(&text);
    benchmark::DoNotOptimize(text);
    SysFreeString(text);
  }
  countCalls(state);
}

void StrInvoke(benchmark::State& state) {
  Object object;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  for (auto _ : state) {
    object->Invoke(kStr, IID_NULL, 0, kCall, &none, &result, nullptr, nullptr);
    benchmark::DoNotOptimize(result.bstrVal);
    VariantClear(&result);
  }
  countCalls(state);
}

// The text is cleared every 1024 appends in both forms, so both measure the same work.
void AppendDirect(benchmark::State& state) {
  Object object;
  BSTR text = SysAllocString(u"abc");
  int appended = 0;
  for (auto _ : state) {
    object->Append(text);
    if (++appended == 1024) {
      appended = 0;
      object->Clear();
    }
  }
  SysFreeString(text);
  countCalls(state);
}

void appendInvoke(benchmark::State& state, VARIANT argument) {
  Object object;
  DISPPARAMS params = {&argument, nullptr, 1, 0};
  int appended = 0;
  for (auto _ : state) {
    object->Invoke(kAppend, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    if (++appended == 1024) {
      appended = 0;
      object->Clear();
    }
  }
  countCalls(state);
}

void AppendInvoke(benchmark::State& state) {
  VARIANT argument;
  argument.vt = VT_BSTR;
  argument.bstrVal = SysAllocString(u"abc");
  appendInvoke(state, argument);
  VariantClear(&argument);
}

void AppendInvokeByRef(benchmark::State& state) {
  VARIANT inner;
  inner.vt = VT_BSTR;
  inner.bstrVal = SysAllocString(u"abc");
  VARIANT argument;
  argument.vt = VT_BYREF | VT_VARIANT;
  argument.pvarVal = &inner;
  appendInvoke(state, argument);
  VariantClear(&inner);
}

// The argument is a number: each call coerces it to a new string and frees it.
void AppendInvokeCoerced(benchmark::State& state) {
  VARIANT argument;
  argument.vt = VT_I4;
  argument.lVal = 123;
  appendInvoke(state, argument);
}

void NameLookup(benchmark::State& state, const char16_t* name) {
  Object object;
  std::u16string copy = name;
  LPOLESTR names[] = {copy.data()};
  DISPID dispid = 0;
  for (auto _ : state) {
    object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid);
    benchmark::DoNotOptimize(dispid);
  }
  countCalls(state);
}

void NameLookupFirst(benchmark::State& state) { NameLookup(state, u"str"); }
void NameLookupLast(benchmark::State& state) { NameLookup(state, u"STRIPHTML"); }

BENCHMARK(LengthDirect);
BENCHMARK(LengthInvoke);
BENCHMARK(StrDirect);
BENCHMARK(StrInvoke);
BENCHMARK(AppendDirect);
BENCHMARK(AppendInvoke);
BENCHMARK(AppendInvokeByRef);
BENCHMARK(AppendInvokeCoerced);
BENCHMARK(NameLookupFirst);
BENCHMARK(NameLookupLast);

}  // namespace
