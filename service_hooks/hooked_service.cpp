#include "cregistry/hooked_service.h"

#include <algorithm>
#include <stdexcept>

namespace cregistry {
namespace {

// Takes the hook set for this call (the call-th of its operation) out of the
// list; faults that fire on every call stay.
template <typename Hooks>
bool Fires(Hooks& hooks, Operation operation, std::uint64_t call,
           typename Hooks::value_type& fired) {
  for (auto it = hooks.begin(); it != hooks.end(); ++it) {
    if (it->operation != operation || (it->call != 0 && it->call != call)) continue;
    if (it->call == 0) {
      fired = *it;
    } else {
      fired = std::move(*it);
      hooks.erase(it);
    }
    return true;
  }
  return false;
}

}  // namespace

std::uint64_t HookedService::CallFromNow(Operation operation, int occurrence) const {
  return counted_[static_cast<std::size_t>(operation)] + static_cast<std::uint64_t>(occurrence);
}

void HookedService::InjectFault(Operation operation, Status status, int occurrence) {
  faults_.push_back({operation, occurrence <= 0 ? 0 : CallFromNow(operation, occurrence), status,
                     nullptr, nullptr});
}

void HookedService::InjectException(Operation operation, std::exception_ptr failure,
                                    int occurrence) {
  if (operation == Operation::kCloseKey) {
    throw std::invalid_argument(
        "HookedService: a close cannot throw (it runs in destructors); make it fail with "
        "InjectFault(Operation::kCloseKey, status) instead");
  }
  failures_.push_back(
      {operation, CallFromNow(operation, std::max(occurrence, 1)), 0, std::move(failure), nullptr});
}

void HookedService::BeforeCall(Operation operation, std::function<void()> action, int occurrence) {
  actions_.push_back(
      {operation, CallFromNow(operation, std::max(occurrence, 1)), 0, nullptr, std::move(action)});
}

void HookedService::ClearFaults() {
  faults_.clear();
  failures_.clear();
  actions_.clear();
  closeFailures_.clear();
}

int HookedService::CountCalls(Operation operation) const {
  return static_cast<int>(
      std::count_if(calls_.begin(), calls_.end(),
                    [operation](const RecordedCall& call) { return call.operation == operation; }));
}

bool HookedService::Intercept(Operation operation, Status& status) {
  // The calls an action makes are another program's: neither counted nor
  // hooked.
  if (inAction_) return false;
  const std::uint64_t call = ++counted_[static_cast<std::size_t>(operation)];
  Hook fired;
  if (Fires(failures_, operation, call, fired)) std::rethrow_exception(fired.failure);
  while (Fires(actions_, operation, call, fired)) {
    inAction_ = true;
    try {
      fired.action();
    } catch (...) {
      inAction_ = false;
      throw;
    }
    inAction_ = false;
  }
  if (!Fires(faults_, operation, call, fired)) return false;
  status = fired.status;
  return true;
}

Status HookedService::Record(Operation operation, KeyHandle key, const std::string& name,
                             std::uint32_t value, Status status) {
  calls_.push_back({operation, key, name, value, status});
  return status;
}

// Handles are counted without their low two bits, which Windows ignores (a
// key of HKEY_CLASSES_ROOT has 2 there).
void HookedService::Opened(Status status, KeyHandle key) {
  if (status == status::kSuccess && key != 0 && !IsPredefinedRoot(key))
    open_.insert(key & ~KeyHandle{3});
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
  Status st = status::kSuccess;
  bool failed = false;
  try {
    failed = Intercept(Operation::kCloseKey, st);
  } catch (...) {
    closeFailures_.push_back(std::current_exception());  // kept: a close never throws
  }
  const Status closed = service_.CloseKey(key);  // a failed close still closes
  open_.erase(key & ~KeyHandle{3});
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

void HookedService::MoveBytes(void* destination, const void* source, std::size_t count) {
  Status st = status::kSuccess;
  Intercept(Operation::kMoveBytes, st);  // throws and actions only
  service_.MoveBytes(destination, source, count);
  Record(Operation::kMoveBytes, 0, {}, static_cast<std::uint32_t>(count), status::kSuccess);
}

}  // namespace cregistry
