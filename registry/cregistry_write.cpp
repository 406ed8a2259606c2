// Writing Value.
#include <limits>

#include "cregistry_address.h"

namespace cregistry {

using status::kSuccess;

namespace {

// Type 2 when the text holds a "%" and a further "%" that starts at least
// two characters after the first one (so "%%" stays type 1), else type 1.
std::uint32_t TextType(const Text& text) {
  const auto first = text.find(u'%');
  return first != Text::npos && text.find(u'%', first + 2) != Text::npos ? REG_EXPAND_SZ : REG_SZ;
}

bool FitsStatusCount(std::size_t size) { return size <= std::numeric_limits<std::uint32_t>::max(); }

}  // namespace

void cRegistry::Value(const Variant& vValue) {
  using Failure = Address::Failure;
  const auto name = ServiceName(m_ValueKey);
  if (!name) throw WriteFailure(error_number::kSetValueFailed, vValue);
  // With a computer named, the key is created and the value stored below
  // the connected root.
  const Address address = Addressed(Through::kMachine);
  if (address.failure == Failure::kName) throw WriteFailure(error_number::kSetValueFailed, vValue);
  // A ClassKey that names no root, or a computer that cannot be reached,
  // fails as a refused key creation does.
  if (!address) throw WriteFailure(error_number::kRegistryFailure, vValue, address.status);
  OwnedKey key(*service_);
  if (const Status created =
          service_->CreateKey(address.parent, address.section,
                              access::kAllValueAndKeyRights | address.view, key.Receive());
      created != kSuccess) {
    throw WriteFailure(error_number::kRegistryFailure, vValue, created);
  }
  // Nothing stored without a service call (no conversion) reports status 0.
  if (const auto stored = Store(key.get(), *name, vValue); stored.value_or(1) != kSuccess) {
    throw WriteFailure(error_number::kSetValueFailed, vValue, stored.value_or(0));
  }
}

std::optional<Status> cRegistry::Store(KeyHandle key, const std::string& name,
                                       const Variant& vValue) {
  switch (m_ValueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      const Text text = vValue.ToText();
      auto data = service_->ToCodePage(text);
      if (!data) return std::nullopt;  // never stored substituted
      data->push_back('\0');
      if (!FitsStatusCount(data->size())) return std::nullopt;
      return service_->SetValue(key, name, TextType(text),
                                reinterpret_cast<const std::uint8_t*>(data->data()),
                                static_cast<std::uint32_t>(data->size()));
    }
    case REG_BINARY: {
      const ByteArray* bytes = vValue.AsBytes();
      if (!bytes) throw RegistryError::RaiseNumber(error_number::kRegistryFailure);
      if (!FitsStatusCount(bytes->Bytes.size())) return std::nullopt;
      // An empty array stores an empty binary value, so whatever a read
      // returns can be written back unchanged.
      return service_->SetValue(key, name, REG_BINARY, bytes->Bytes.data(),
                                static_cast<std::uint32_t>(bytes->Bytes.size()));
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
      std::int32_t number = 0;
      if (const auto* small = vValue.AsInteger()) {
        number = *small;
      } else if (const auto* large = vValue.AsLong()) {
        number = *large;
      } else {
        return std::nullopt;
      }
      // Stored as type 4, least significant byte first, never reversed.
      const auto bits = static_cast<std::uint32_t>(number);
      const std::uint8_t data[4] = {
          static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
      return service_->SetValue(key, name, REG_DWORD, data, 4);
    }
    default:
      return std::nullopt;  // no conversion for this type: nothing stored
  }
}

RegistryError cRegistry::WriteFailure(std::int32_t number, const Variant& vValue,
                                      Status serviceStatus) const {
  return RegistryError::Raise(number,
                              u"Failed to set registry value Key: '" + DecimalText(m_ClassKey) +
                                  u"',Section: '" + m_SectionKey + u"',Key: '" + m_ValueKey +
                                  u"' to value: '" + vValue.ToText() + u"'",
                              serviceStatus);
}

}  // namespace cregistry
