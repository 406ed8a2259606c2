#include "cregistry/hooked_service.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include "guarded.h"

namespace cregistry {

namespace {

constexpr std::size_t kOperations = static_cast<std::size_t>(Operation::kDeleteKeyEx) + 1;

// What is set for one call of an operation.
struct Due {
  std::vector<std::function<void()>> actions;  // in the order they were set
  std::exception_ptr failure;
  std::optional<Status> fault;
};

// The wrapper whose action this thread is running, if any: the calls the
// action makes are another program's.
thread_local const HookedService* tRunningActionOf = nullptr;

class RunningAction {
 public:
  explicit RunningAction(const HookedService* wrapper) : outer_(tRunningActionOf) {
    tRunningActionOf = wrapper;
  }
  ~RunningAction() { tRunningActionOf = outer_; }
  RunningAction(const RunningAction&) = delete;
  RunningAction& operator=(const RunningAction&) = delete;

 private:
  const HookedService* outer_;
};

}  // namespace

struct HookedService::State {
  // The call of the operation that is the occurrence-th from now.
  std::uint64_t CallFromNow(Operation operation, int occurrence) const {
    return counted[static_cast<std::size_t>(operation)] + static_cast<std::uint64_t>(occurrence);
  }
  Due& At(Operation operation, int occurrence) {
    return due[{operation, CallFromNow(operation, occurrence)}];
  }

  Mutex mutex;
  // What is set for a given call, found in a map operation whatever the
  // number of hooks; and the faults of every call of an operation.
  std::map<std::pair<Operation, std::uint64_t>, Due> due;
  std::array<std::optional<Status>, kOperations> always;
  // How many calls of each operation have been made, as the hooks count them.
  std::array<std::uint64_t, kOperations> counted{};
  std::set<KeyHandle> open;
  std::vector<RecordedCall> calls;
  std::vector<std::exception_ptr> closeFailures;
};

HookedService::HookedService(RegistryService& service)
    : service_(service), state_(std::make_unique<State>()) {}

HookedService::~HookedService() = default;

void HookedService::InjectFault(Operation operation, Status status, int occurrence) {
  MutexLock lock(state_->mutex);
  if (occurrence > 0) {
    auto& fault = state_->At(operation, occurrence).fault;
    if (!fault) fault = status;  // the first set for a call is the one it meets
  } else {
    auto& always = state_->always[static_cast<std::size_t>(operation)];
    if (!always) always = status;
  }
}

void HookedService::InjectException(Operation operation, std::exception_ptr failure,
                                    int occurrence) {
  if (operation == Operation::kCloseKey) {
    throw std::invalid_argument(
        "HookedService: a close cannot throw (it runs in destructors); make it fail with "
        "InjectFault(Operation::kCloseKey, status) instead");
  }
  if (!failure) throw std::invalid_argument("HookedService: no exception to throw");
  MutexLock lock(state_->mutex);
  auto& due = state_->At(operation, std::max(occurrence, 1)).failure;
  if (!due) due = std::move(failure);
}

void HookedService::BeforeCall(Operation operation, std::function<void()> action, int occurrence) {
  MutexLock lock(state_->mutex);
  state_->At(operation, std::max(occurrence, 1)).actions.push_back(std::move(action));
}

std::vector<std::exception_ptr> HookedService::CloseFailures() const {
  MutexLock lock(state_->mutex);
  return state_->closeFailures;
}

void HookedService::ClearFaults() {
  MutexLock lock(state_->mutex);
  state_->due.clear();
  state_->always.fill(std::nullopt);
  state_->closeFailures.clear();
}

int HookedService::OpenHandleCount() const {
  MutexLock lock(state_->mutex);
  return static_cast<int>(state_->open.size());
}

std::vector<RecordedCall> HookedService::Calls() const {
  MutexLock lock(state_->mutex);
  return state_->calls;
}

int HookedService::CountCalls(Operation operation) const {
  MutexLock lock(state_->mutex);
  return static_cast<int>(
      std::count_if(state_->calls.begin(), state_->calls.end(),
                    [operation](const RecordedCall& call) { return call.operation == operation; }));
}

void HookedService::ClearCalls() {
  MutexLock lock(state_->mutex);
  state_->calls.clear();
}

bool HookedService::Intercept(Operation operation, Status& status,
                              std::vector<std::exception_ptr>* kept) {
  if (tRunningActionOf == this) return false;
  // What fires is taken out under the lock; the actions run without it.
  Due due;
  std::optional<Status> always;
  {
    MutexLock lock(state_->mutex);
    const std::uint64_t call = ++state_->counted[static_cast<std::size_t>(operation)];
    const auto it = state_->due.find({operation, call});
    if (it != state_->due.end()) {
      due = std::move(it->second);
      state_->due.erase(it);
    }
    always = state_->always[static_cast<std::size_t>(operation)];
  }
  for (const auto& action : due.actions) {
    const RunningAction running(this);
    if (!kept) {
      action();
      continue;
    }
    try {
      action();
    } catch (...) {
      kept->push_back(std::current_exception());
    }
  }
  if (due.failure) std::rethrow_exception(due.failure);
  // A fault set for this very call comes before one of every call.
  const std::optional<Status> fault = due.fault ? due.fault : always;
  if (fault) status = *fault;
  return fault.has_value();
}

Status HookedService::Record(Operation operation, KeyHandle key, const std::string& name,
                             std::uint32_t value, Status status) {
  MutexLock lock(state_->mutex);
  state_->calls.push_back({operation, key, name, value, status});
  return status;
}

// Handles are counted without their low two bits, which Windows ignores (a
// key of HKEY_CLASSES_ROOT has 2 there).
void HookedService::Opened(Status status, KeyHandle key) {
  if (status != status::kSuccess || key == 0 || IsPredefinedRoot(key)) return;
  MutexLock lock(state_->mutex);
  state_->open.insert(key & ~KeyHandle{3});
}

Status HookedService::Open(Operation operation, OpenCall call, KeyHandle parent,
                           const std::string& subKey, std::uint32_t access, KeyHandle& result) {
  Status st = status::kSuccess;
  if (Intercept(operation, st)) {
    result = 0;
  } else {
    st = (service_.*call)(parent, subKey, access, result);
    Opened(st, result);
  }
  return Record(operation, parent, subKey, access, st);
}

Status HookedService::OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                              KeyHandle& result) {
  return Open(Operation::kOpenKey, &RegistryService::OpenKey, parent, subKey, access, result);
}

Status HookedService::CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                                KeyHandle& result) {
  return Open(Operation::kCreateKey, &RegistryService::CreateKey, parent, subKey, access, result);
}

Status HookedService::CloseKey(KeyHandle key) {
  // What the actions before a close throw is kept: a close never throws.
  Status st = status::kSuccess;
  std::vector<std::exception_ptr> thrown;
  const bool failed = Intercept(Operation::kCloseKey, st, &thrown);
  {
    MutexLock lock(state_->mutex);
    state_->closeFailures.insert(state_->closeFailures.end(), thrown.begin(), thrown.end());
    // Uncounted before the service frees the value, which another thread's
    // open may be given at once.
    state_->open.erase(key & ~KeyHandle{3});
  }
  const Status closed = service_.CloseKey(key);  // a failed close still closes
  return Record(Operation::kCloseKey, key, {}, 0, failed ? st : closed);
}

Status HookedService::DeleteKey(KeyHandle parent, const std::string& subKey) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kDeleteKey, st)) st = service_.DeleteKey(parent, subKey);
  return Record(Operation::kDeleteKey, parent, subKey, 0, st);
}

Status HookedService::DeleteValue(KeyHandle key, const std::string& name) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kDeleteValue, st)) st = service_.DeleteValue(key, name);
  return Record(Operation::kDeleteValue, key, name, 0, st);
}

Status HookedService::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  const std::uint32_t offered = size ? *size : 0;
  Status st = status::kSuccess;
  if (!Intercept(Operation::kQueryValue, st)) st = service_.QueryValue(key, name, type, data, size);
  return Record(Operation::kQueryValue, key, name, offered, st);
}

Status HookedService::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kSetValue, st)) st = service_.SetValue(key, name, type, data, size);
  return Record(Operation::kSetValue, key, name, type, st);
}

Status HookedService::EnumKey(KeyHandle key, std::uint32_t index, char* name,
                              std::uint32_t bufferLength) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kEnumKey, st)) st = service_.EnumKey(key, index, name, bufferLength);
  return Record(Operation::kEnumKey, key, {}, index, st);
}

Status HookedService::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                                std::uint32_t* nameLength) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kEnumValue, st)) st = service_.EnumValue(key, index, name, nameLength);
  return Record(Operation::kEnumValue, key, {}, index, st);
}

Status HookedService::QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kQueryInfoKey, st)) st = service_.QueryInfoKey(key, longestValueName);
  return Record(Operation::kQueryInfoKey, key, {}, 0, st);
}

Status HookedService::ConnectRegistry(const std::string& machine, KeyHandle root,
                                      KeyHandle& result) {
  Status st = status::kSuccess;
  if (Intercept(Operation::kConnectRegistry, st)) {
    result = 0;
  } else {
    st = service_.ConnectRegistry(machine, root, result);
    Opened(st, result);
  }
  return Record(Operation::kConnectRegistry, root, machine, 0, st);
}

std::uint32_t HookedService::ExpandEnvironment(const std::string& source, char* destination,
                                               std::uint32_t destinationLength) {
  Status st = status::kSuccess;
  std::uint32_t needed = 0;
  if (!Intercept(Operation::kExpandEnvironment, st)) {
    needed = service_.ExpandEnvironment(source, destination, destinationLength);
  }
  Record(Operation::kExpandEnvironment, 0, source, destinationLength, st);
  return needed;
}

Status HookedService::OpenKeyNoFollow(KeyHandle parent, const std::string& subKey,
                                      std::uint32_t access, KeyHandle& result) {
  return Open(Operation::kOpenKeyNoFollow, &RegistryService::OpenKeyNoFollow, parent, subKey,
              access, result);
}

Status HookedService::DeleteOpenKey(KeyHandle key) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kDeleteOpenKey, st)) st = service_.DeleteOpenKey(key);
  return Record(Operation::kDeleteOpenKey, key, {}, 0, st);
}

Status HookedService::DeleteKeyEx(KeyHandle parent, const std::string& subKey, std::uint32_t view) {
  Status st = status::kSuccess;
  if (!Intercept(Operation::kDeleteKeyEx, st)) st = service_.DeleteKeyEx(parent, subKey, view);
  return Record(Operation::kDeleteKeyEx, parent, subKey, view, st);
}

void HookedService::MoveBytes(void* destination, const void* source, std::size_t count) {
  Status st = status::kSuccess;
  Intercept(Operation::kMoveBytes, st);  // throws and actions only
  service_.MoveBytes(destination, source, count);
  Record(Operation::kMoveBytes, 0, {}, static_cast<std::uint32_t>(count), status::kSuccess);
}

}  // namespace cregistry
