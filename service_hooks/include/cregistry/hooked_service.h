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
// caught, the other actions and a fault set for that close still have
// their turn, the close still closes, and the failure is kept for the test
// in CloseFailures().
//
// Note: any number of threads may call the wrapper, and its hooks, at once;
// it calls the service it wraps from each of them, and that service must
// take that (the in-memory registry and advapi32 do). The calls of an
// operation are counted in the order they reach the wrapper, whichever
// thread makes them, and each hook fires on exactly one of them. An action
// runs on the thread whose call it precedes, after the wrapper has counted
// that call and before the call reaches the service, and with no lock of
// the wrapper's held: other threads' calls may run meanwhile, and the action
// may call the wrapper itself (see BeforeCall), but must not wait for
// another thread's call to end. Between calls means between this thread's
// calls. What the wrapper hands out (Calls, CloseFailures) is a copy.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
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
  kDeleteKeyEx,
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
  explicit HookedService(RegistryService& service);
  ~HookedService() override;
  HookedService(const HookedService&) = delete;
  HookedService& operator=(const HookedService&) = delete;

  // --- Hooks ---------------------------------------------------------------
  // Each hook counts the calls of its operation from the moment it is set
  // and fires on exactly the occurrence it was set for, whatever other hooks
  // are set for the same operation and in whatever order: faults set for the
  // 1st and the 2nd QueryValue fail the probe and the fetch that follows it.
  // On the call they share, the actions run first (in the order they were
  // set), then the exception or the fault: the first set for that call, and
  // before a fault of every call. A hook costs a map operation, however
  // many are set.

  // Makes calls of the operation fail with the status instead of reaching
  // the service: every call when occurrence is 0, else only the
  // occurrence-th call counted from now (1 is the next one). Outputs are
  // left as a failed call leaves them (an opened handle is 0). An expansion
  // fails as ExpandEnvironmentStrings does, returning 0 and writing
  // nothing; a close that fails still closes; MoveBytes cannot fail.
  void InjectFault(Operation operation, Status status, int occurrence = 0);
  // Makes the occurrence-th call of the operation from now throw the
  // failure, as a failure that is not a registry status would (no memory).
  // Throws std::invalid_argument for kCloseKey, which cannot throw (inject a
  // fault into it instead), and for no failure at all.
  void InjectException(Operation operation, std::exception_ptr failure, int occurrence = 1);
  // Runs the action just before the occurrence-th call of the operation
  // from now reaches the service: another program changing the registry or
  // the environment between two calls of the class. What the action throws
  // leaves the call, but for a close's (see the note above): the hooks set
  // for that call after it go with it, and the call, which never reached
  // the service, is not recorded. The calls the
  // action makes through this wrapper are that other program's: they reach
  // the service unhooked and are recorded, but count as no occurrence
  // (those other threads make are counted as theirs).
  void BeforeCall(Operation operation, std::function<void()> action, int occurrence = 1);
  // What actions before a close threw, in order, since the wrapper was made
  // or ClearFaults.
  std::vector<std::exception_ptr> CloseFailures() const;
  // Removes every fault, exception and action not yet used, and forgets the
  // close failures.
  void ClearFaults();

  // Handles that open, create and connect calls through the wrapper
  // returned and that were not closed through it (the predefined roots are
  // never counted).
  int OpenHandleCount() const;
  // Every call made through the wrapper since it was made or ClearCalls, in
  // the order they ended.
  std::vector<RecordedCall> Calls() const;
  int CountCalls(Operation operation) const;
  void ClearCalls();

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
  Status DeleteKeyEx(KeyHandle parent, const std::string& subKey, std::uint32_t view) override;
  std::optional<std::string> ToCodePage(TextView text) const override {
    return service_.ToCodePage(text);
  }
  Text FromCodePage(std::string_view bytes) const override { return service_.FromCodePage(bytes); }
  unsigned CodePage() const override { return service_.CodePage(); }
  unsigned MaxCharBytes() const override { return service_.MaxCharBytes(); }

 private:
  // Runs the hooks due before a call of the operation: runs actions, throws
  // an injected failure; true with the status when the call is to fail.
  // With kept, what the actions throw is kept there (a close's).
  bool Intercept(Operation operation, Status& status,
                 std::vector<std::exception_ptr>* kept = nullptr);
  Status Record(Operation operation, KeyHandle key, const std::string& name, std::uint32_t value,
                Status status);
  // Counts a handle that an open, create or connect call returned.
  void Opened(Status status, KeyHandle key);
  // OpenKey, CreateKey and OpenKeyNoFollow: hooked, passed on, counted.
  using OpenCall = Status (RegistryService::*)(KeyHandle, const std::string&, std::uint32_t,
                                               KeyHandle&);
  Status Open(Operation operation, OpenCall call, KeyHandle parent, const std::string& subKey,
              std::uint32_t access, KeyHandle& result);

  RegistryService& service_;
  // The hooks, the counts and the records, behind one lock
  // (hooked_service.cpp).
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace cregistry
