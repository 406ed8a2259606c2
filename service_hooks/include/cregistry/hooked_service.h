// A registry service with test hooks around it. Every call goes on to the
// service it wraps (the in-memory registry, or advapi32 itself), and on its
// way can be recorded, failed with a chosen status, made to throw, or
// preceded by an action of the test's own; the wrapper also counts the
// handles that its calls opened and did not close. A test thereby makes the
// service fail as a real one can, without changing what it models.
//
// Note: a close never throws, since it runs in destructors (an exception
// leaving one would end the process). An exception is therefore refused for
// kCloseKey when it is injected; an action before a close that throws is
// caught, the close still closes, and the failure is kept for the test in
// CloseFailures().
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "cregistry/registry_service.h"

namespace cregistry {

// The calls of the service interface, as the hooks name them.
enum class Operation {
  kOpenKey,
  kCreateKey,
  kCloseKey,
  kDeleteKey,
  kDeleteValue,
  kQueryValue,
  kSetValue,
  kEnumKey,
  kEnumValue,
  kQueryInfoKey,
  kConnectRegistry,
  kExpandEnvironment,
  kMoveBytes,
  kOpenKeyNoFollow,
  kDeleteOpenKey,
};

struct RecordedCall {
  Operation operation;
  KeyHandle key;        // the parent or key handle the call was given
  std::string name;     // sub-key path, value name, machine or source text
  std::uint32_t value;  // access mask, type code, index or offered byte count
  Status status;        // what the call answered (0 for an expansion)
};

class HookedService final : public RegistryService {
 public:
  // The wrapped service must outlive the wrapper.
  explicit HookedService(RegistryService& service) : service_(service) {}

  // --- Hooks ---------------------------------------------------------------
  // Each hook counts the calls of its operation from the moment it is set
  // and fires on exactly the occurrence it was set for, whatever other hooks
  // are set for the same operation and in whatever order: faults set for the
  // 1st and the 2nd QueryValue fail the probe and the fetch that follows it.
  // On the call they share, the actions run first (in the order they were
  // set), then the exception or the fault.

  // Makes calls of the operation fail with the status instead of reaching
  // the service: every call when occurrence is 0, else only the
  // occurrence-th call counted from now (1 is the next one). Outputs are
  // left as a failed call leaves them (an opened handle is 0). An expansion
  // fails as ExpandEnvironmentStrings does, returning 0 and writing
  // nothing; a close that fails still closes; MoveBytes cannot fail.
  void InjectFault(Operation operation, Status status, int occurrence = 0);
  // Makes the occurrence-th call of the operation from now throw the
  // failure, as a failure that is not a registry status would (no memory).
  // Throws std::invalid_argument for kCloseKey, which cannot throw: inject a
  // fault into it instead.
  void InjectException(Operation operation, std::exception_ptr failure, int occurrence = 1);
  // Runs the action just before the occurrence-th call of the operation
  // from now reaches the service: another program changing the registry or
  // the environment between two calls of the class. What the action throws
  // leaves the call, but for a close's (see the note above). The calls the
  // action makes through this wrapper are that other program's: they reach
  // the service unhooked and are recorded, but count as no occurrence.
  void BeforeCall(Operation operation, std::function<void()> action, int occurrence = 1);
  // What actions before a close threw, in order, since the wrapper was made
  // or ClearFaults.
  const std::vector<std::exception_ptr>& CloseFailures() const { return closeFailures_; }
  // Removes every fault, exception and action not yet used, and forgets the
  // close failures.
  void ClearFaults();

  // Handles that open, create and connect calls through the wrapper
  // returned and that were not closed through it (the predefined roots are
  // never counted).
  int OpenHandleCount() const { return static_cast<int>(open_.size()); }
  // Every call made through the wrapper since it was made or ClearCalls.
  const std::vector<RecordedCall>& Calls() const { return calls_; }
  int CountCalls(Operation operation) const;
  void ClearCalls() { calls_.clear(); }

  // --- The service ---------------------------------------------------------
  Status OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                 KeyHandle& result) override;
  Status CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                   KeyHandle& result) override;
  Status CloseKey(KeyHandle key) override;
  Status DeleteKey(KeyHandle parent, const std::string& subKey) override;
  Status DeleteValue(KeyHandle key, const std::string& name) override;
  Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
  Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
  Status EnumKey(KeyHandle key, std::uint32_t index, char* name,
                 std::uint32_t bufferLength) override;
  Status EnumValue(KeyHandle key, std::uint32_t index, char* name,
                   std::uint32_t* nameLength) override;
  Status QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) override;
  Status ConnectRegistry(const std::string& machine, KeyHandle root, KeyHandle& result) override;
  std::uint32_t ExpandEnvironment(const std::string& source, char* destination,
                                  std::uint32_t destinationLength) override;
  void MoveBytes(void* destination, const void* source, std::size_t count) override;
  Status OpenKeyNoFollow(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                         KeyHandle& result) override;
  Status DeleteOpenKey(KeyHandle key) override;
  std::optional<std::string> ToCodePage(TextView text) const override {
    return service_.ToCodePage(text);
  }
  Text FromCodePage(std::string_view bytes) const override { return service_.FromCodePage(bytes); }
  unsigned CodePage() const override { return service_.CodePage(); }
  unsigned MaxCharBytes() const override { return service_.MaxCharBytes(); }

 private:
  // Runs the hooks due before a call of the operation: throws an injected
  // failure, runs actions; true with the status when the call is to fail.
  bool Intercept(Operation operation, Status& status);
  Status Record(Operation operation, KeyHandle key, const std::string& name, std::uint32_t value,
                Status status);
  // Counts a handle that an open, create or connect call returned.
  void Opened(Status status, KeyHandle key);
  // OpenKey, CreateKey and OpenKeyNoFollow: hooked, passed on, counted.
  using OpenCall = Status (RegistryService::*)(KeyHandle, const std::string&, std::uint32_t,
                                               KeyHandle&);
  Status Open(Operation operation, OpenCall call, KeyHandle parent, const std::string& subKey,
              std::uint32_t access, KeyHandle& result);

  // The call of the operation that is the occurrence-th from now.
  std::uint64_t CallFromNow(Operation operation, int occurrence) const;

  struct Hook {
    Operation operation;
    std::uint64_t call;  // the call of the operation it fires on; 0: every call (faults only)
    Status status;
    std::exception_ptr failure;
    std::function<void()> action;
  };
  RegistryService& service_;
  std::vector<Hook> faults_, failures_, actions_;
  // How many calls of each operation have been made, counted as the hooks
  // count them.
  std::array<std::uint64_t, static_cast<std::size_t>(Operation::kDeleteOpenKey) + 1> counted_{};
  bool inAction_ = false;
  std::set<KeyHandle> open_;
  std::vector<RecordedCall> calls_;
  std::vector<std::exception_ptr> closeFailures_;
};

}  // namespace cregistry
