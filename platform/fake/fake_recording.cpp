// The fake's life cycle, its table, the call record, scripting and failure
// rules, the last error and the end-of-test checks.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/fake/fake_internal.h"

namespace fake {

namespace {

Platform *g_current = nullptr;
thread_local DWORD t_lastError = ERROR_SUCCESS;

const PlatformApi kTable = {
#define DK_FAKE_TABLE_ENTRY(result, name, params, args) &entry::name,
    DK_PLATFORM_CALLS(DK_FAKE_TABLE_ENTRY)
#undef DK_FAKE_TABLE_ENTRY
        & entry::ExitProcess,
};

// Every name a call of the fake records: the seam's calls, ExitProcess, and
// GetDefaultPrinterA, which GetProcAddress hands out.
bool IsCallName(const std::string &name) {
  static const char *const kNames[] = {
#define DK_FAKE_CALL_NAME(result, name, params, args) #name,
      DK_PLATFORM_CALLS(DK_FAKE_CALL_NAME)
#undef DK_FAKE_CALL_NAME
          "ExitProcess",
      "GetDefaultPrinterA",
  };
  for (const char *known : kNames) {
    if (name == known) return true;
  }
  return false;
}

// A script or failure rule for a call that does not exist would never act;
// it is refused, and noted so that the checks at a test's end show it too.
bool AcceptName(Platform::Impl &impl, const char *what, const std::string &name) {
  if (IsCallName(name)) return true;
  impl.violations.push_back(std::string(what) + "(\"" + name + "\"): no such call");
  return false;
}

bool RuleHits(int count, int nth, bool fromThenOn) {
  return fromThenOn ? count >= nth : count == nth;
}

}  // namespace

Platform::Platform() : impl(new Impl) {
  impl->previousCurrent = g_current;
  g_current = this;
  impl->previousTable = Platform_Install(Table());
}

Platform::~Platform() {
  Platform_Install(impl->previousTable);
  g_current = impl->previousCurrent;
  delete impl;
}

const PlatformApi *Platform::Table() {
  return &kTable;
}

Platform &Platform::Current() {
  if (g_current == nullptr) {
    std::fprintf(stderr, "fake platform: a call arrived with no fake::Platform alive\n");
    std::abort();
  }
  return *g_current;
}

void SetLastErrorForTest(DWORD error) {
  t_lastError = error;
}
DWORD LastErrorForTest() {
  return t_lastError;
}

Call MakeCall(const char *name, std::vector<std::string> args) {
  Call call;
  call.name = name;
  call.args = std::move(args);
  return call;
}

Decision Record(Call call, bool failable) {
  Platform &platform = Platform::Current();
  Platform::Impl &impl = *platform.impl;
  Decision decision;
  std::function<void(const Call &)> hook;
  {
    Lock lock(impl.mutex);
    call.thread = std::hash<std::thread::id>()(std::this_thread::get_id());
    impl.calls.push_back(call);
    const int index = static_cast<int>(impl.calls.size());
    const int nth = ++impl.invocations[call.name];
    auto script = impl.scripts.find(call.name);
    if (script != impl.scripts.end() && !script->second.empty()) {
      decision.outcome = Outcome::kAnswer;
      decision.result = script->second.front().result;
      decision.lastError = script->second.front().lastError;
      script->second.pop_front();
    } else if (failable) {
      for (const Platform::Impl::FailRule &rule : impl.failRules) {
        const bool byIndex = rule.name.empty();
        if (!byIndex && rule.name != call.name) continue;
        if (!RuleHits(byIndex ? index : nth, rule.nth, rule.fromThenOn)) continue;
        decision.outcome = Outcome::kFail;
        decision.lastError = rule.lastError;
        break;
      }
    }
    hook = platform.onCall;
  }
  if (hook) hook(call);
  return decision;
}

void NoteViolation(Platform::Impl &impl, const std::string &call, const void *handle) {
  if (handle == nullptr) return;
  Lock lock(impl.mutex);
  impl.violations.push_back(call + "(" + Hex(handle) + ")");
}

std::vector<Call> Platform::Calls() const {
  Lock lock(impl->mutex);
  return impl->calls;
}

std::vector<std::string> Platform::CallTexts() const {
  Lock lock(impl->mutex);
  std::vector<std::string> texts;
  for (const Call &call : impl->calls) texts.push_back(call.Text());
  return texts;
}

std::vector<std::string> Platform::CallNames() const {
  Lock lock(impl->mutex);
  std::vector<std::string> names;
  for (const Call &call : impl->calls) names.push_back(call.name);
  return names;
}

std::vector<Call> Platform::CallsNamed(const std::string &name) const {
  Lock lock(impl->mutex);
  std::vector<Call> named;
  for (const Call &call : impl->calls) {
    if (call.name == name) named.push_back(call);
  }
  return named;
}

int Platform::CountOf(const std::string &name) const {
  return static_cast<int>(CallsNamed(name).size());
}

void Platform::ClearCalls() {
  Lock lock(impl->mutex);
  impl->calls.clear();
  impl->invocations.clear();
}

bool Platform::Script(const std::string &name, Scripted answer) {
  Lock lock(impl->mutex);
  if (!AcceptName(*impl, "Script", name)) return false;
  impl->scripts[name].push_back(answer);
  return true;
}

bool Platform::FailCall(const std::string &name, int nth, bool fromThenOn, DWORD lastError) {
  Lock lock(impl->mutex);
  if (!AcceptName(*impl, "FailCall", name)) return false;
  impl->failRules.push_back({name, nth, fromThenOn, lastError});
  return true;
}

void Platform::FailAtIndex(int nth, bool fromThenOn, DWORD lastError) {
  Lock lock(impl->mutex);
  impl->failRules.push_back({"", nth, fromThenOn, lastError});
}

std::vector<std::string> Platform::Violations() const {
  Lock lock(impl->mutex);
  return impl->violations;
}

std::string Platform::LiveSummary() const {
  return "printers=" + std::to_string(OpenPrinters()) + " dcs=" + std::to_string(LiveDCs()) +
         " pens=" + std::to_string(LivePens()) + " brushes=" + std::to_string(LiveBrushes()) +
         " files=" + std::to_string(OpenFiles()) + " modules=" + std::to_string(LoadedModules());
}

}  // namespace fake
