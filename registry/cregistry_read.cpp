// Reading Value, with byte-order reversal and environment expansion.
#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "cregistry_address.h"

namespace cregistry {

using status::kMoreData;
using status::kSuccess;

namespace {

// A value rewritten between the size probe and the fetch is probed again at
// most this many times in all before the read gives up.
constexpr int kReadAttempts = 4;

bool IsTextType(std::uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

bool IsIntegerType(std::uint32_t type) { return type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN; }

// The reason of a refused call: what the statuses the read meets mean.
ERegistryReadResult Refused(Status status, ERegistryReadResult notFound) {
  switch (status) {
    case status::kFileNotFound:
      return notFound;
    case status::kKeyDeleted:  // the key went after it was opened
      return READ_NO_KEY;
    case status::kAccessDenied:
      return READ_ACCESS_DENIED;
    default:
      return READ_REFUSED;
  }
}

}  // namespace

Variant cRegistry::Value() {
  ERegistryReadResult result = READ_FOUND;
  std::int32_t status = 0;
  return Value(result, status);
}

Variant cRegistry::Value(ERegistryReadResult& eResult, std::int32_t& lStatus) {
  using Failure = Address::Failure;
  eResult = READ_NAME_NOT_HELD;
  lStatus = 0;
  const auto name = ServiceName(m_ValueKey);
  if (!name) return m_Default;
  const Address address = Addressed(Through::kMachine);
  if (!address) {
    lStatus = address.status;
    if (address.failure == Failure::kRoot) eResult = READ_NO_ROOT;
    // A computer's name that cannot be sent is never connected to.
    if (address.failure == Failure::kComputer && address.status != kSuccess) {
      eResult = READ_NO_COMPUTER;
    }
    return m_Default;
  }
  OwnedKey key(*service_);
  lStatus = service_->OpenKey(address.parent, address.section, access::kQueryValue | address.view,
                              key.Receive());
  if (lStatus != kSuccess) {
    eResult = Refused(lStatus, READ_NO_KEY);
    return m_Default;
  }
  auto found = ReadFound(key.get(), *name, eResult, lStatus);
  return found ? std::move(*found) : m_Default;
}

std::optional<Variant> cRegistry::ReadFound(KeyHandle key, const std::string& name,
                                            ERegistryReadResult& eResult, std::int32_t& lStatus) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    // Size probe: status 0 (no data) or kMoreData (data) means it exists.
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::uint32_t probe = 0;
    lStatus =
        service_->QueryValue(key, name, &type, reinterpret_cast<std::uint8_t*>(&probe), &size);
    if (lStatus != kSuccess && lStatus != kMoreData) {
      eResult = Refused(lStatus, READ_NO_VALUE);
      return std::nullopt;
    }

    // One fetch of exactly the probed size (an integer has room for 4).
    std::vector<std::uint8_t> data(std::max<std::size_t>(size, IsIntegerType(type) ? 4 : 1), 0);
    std::uint32_t fetchedType = 0;
    std::uint32_t fetched = size;
    lStatus = service_->QueryValue(key, name, &fetchedType, data.data(), &fetched);
    if (lStatus == kMoreData || (lStatus == kSuccess && fetchedType != type)) {
      eResult = READ_NOT_CONVERTED;
      continue;  // rewritten since the probe: probe again
    }
    if (lStatus != kSuccess) {  // gone since the probe
      eResult = Refused(lStatus, READ_NO_VALUE);
      return std::nullopt;
    }
    // Found: ValueType takes the stored type. A read that yields Default
    // leaves it as it was.
    eResult = READ_FOUND;
    m_ValueType = static_cast<std::int32_t>(type);
    // The fetch's count is the true one: the probe may over-report a text.
    data.resize(std::min(fetched, size));

    if (IsTextType(type)) {
      if (!data.empty() && data.back() == 0) data.pop_back();
      const std::string stored(data.begin(), data.end());
      // Made in place: a Variant moved into the optional trips GCC 12's
      // -Wmaybe-uninitialized at -O3 with the sanitizers.
      return std::optional<Variant>(std::in_place, type == REG_EXPAND_SZ
                                                       ? ExpandEnvironmentText(stored)
                                                       : service_->FromCodePage(stored));
    }
    if (IsIntegerType(type)) {
      // Little-endian from the first four bytes; missing bytes stay 0.
      std::uint32_t bits = 0;
      for (std::size_t i = 0; i < std::min<std::size_t>(data.size(), 4); ++i) {
        bits |= static_cast<std::uint32_t>(data[i]) << (8 * i);
      }
      auto number = static_cast<std::int32_t>(bits);
      if (type == REG_DWORD_BIG_ENDIAN) ReverseByteOrder(number, number);
      return std::optional<Variant>(std::in_place, number);
    }
    return std::optional<Variant>(std::in_place, ByteArray{0, std::move(data)});
  }
  return std::nullopt;
}

void cRegistry::ReverseByteOrder(std::int32_t value, std::int32_t& result) {
  std::int32_t reversed = 0;
  auto* to = reinterpret_cast<unsigned char*>(&reversed);
  const auto* from = reinterpret_cast<const unsigned char*>(&value);
  for (int i = 0; i < 4; ++i) service_->MoveBytes(to + 3 - i, from + i, 1);
  result = reversed;
}

// Note: Windows counts the expansion in bytes; Wine, in a double-byte code
// page, in characters, which can be half as many. The buffer therefore has
// room for the code page's widest characters, starts without a NUL, and a
// result counts only when its NUL lies inside the buffer.
Text cRegistry::ExpandEnvironmentText(const std::string& stored) {
  const std::uint64_t widest = std::max(service_->MaxCharBytes(), 1u);
  const std::uint32_t needed = service_->ExpandEnvironment(stored, nullptr, 0);
  std::uint64_t room = needed * widest;
  // The environment may grow between the calls: size again, boundedly.
  for (int attempt = 0; attempt < kReadAttempts && needed > 0; ++attempt) {
    if (room > std::numeric_limits<std::uint32_t>::max()) break;
    std::string expanded(static_cast<std::size_t>(room), '\x01');
    const std::uint32_t written =
        service_->ExpandEnvironment(stored, expanded.data(), static_cast<std::uint32_t>(room));
    if (written == 0) break;
    const auto end = expanded.find('\0');
    if (written <= room && end != std::string::npos) {
      expanded.resize(end);
      return service_->FromCodePage(expanded);
    }
    room = std::max(written * widest, room * 2);
  }
  return service_->FromCodePage(stored);
}

}  // namespace cregistry
