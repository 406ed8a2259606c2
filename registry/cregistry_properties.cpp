// The object's addressing and setting properties, and what they address.
#include "cregistry_address.h"

namespace cregistry {

cRegistry::cRegistry(RegistryService& service) : service_(&service) {}

Text cRegistry::Machine() const { return m_Machine; }

void cRegistry::Machine(TextArg sMachine) {
  const Text& name = sMachine.text();
  // One or two characters cannot name a computer: they mean this one.
  if (name.size() < 3) {
    m_Machine.clear();
  } else if (name.compare(0, 2, u"\\\\") != 0) {
    m_Machine = u"\\\\" + name;
  } else {
    m_Machine = name;
  }
}

std::int32_t cRegistry::ValueType() const { return m_ValueType; }
void cRegistry::ValueType(std::int32_t eValueType) { m_ValueType = eValueType; }

std::int32_t cRegistry::ClassKey() const { return m_ClassKey; }
void cRegistry::ClassKey(std::int32_t eKey) { m_ClassKey = eKey; }

Text cRegistry::SectionKey() const { return m_SectionKey; }
void cRegistry::SectionKey(TextArg sSectionKey) { m_SectionKey = sSectionKey.text(); }

Text cRegistry::ValueKey() const { return m_ValueKey; }
void cRegistry::ValueKey(TextArg sValueKey) { m_ValueKey = sValueKey.text(); }

Variant cRegistry::Default() const { return m_Default; }
void cRegistry::Default(const Variant& vDefault) { m_Default = vDefault; }

std::int32_t cRegistry::View() const { return m_View; }
void cRegistry::View(std::int32_t eView) { m_View = eView; }

std::optional<std::string> cRegistry::ServiceName(const Text& name) const {
  // The service takes names as NUL-terminated texts: an embedded U+0000
  // would cut the name short and address another key or value.
  if (name.find(u'\0') != Text::npos) return std::nullopt;
  return service_->ToCodePage(name);
}

cRegistry::Address cRegistry::Addressed(Through through) {
  using Failure = Address::Failure;
  Address address(*service_);
  address.view = static_cast<std::uint32_t>(m_View) & access::kViews;
  auto section = ServiceName(m_SectionKey);
  if (!section) {
    address.failure = Failure::kName;
    return address;
  }
  address.section = std::move(*section);
  // Windows takes any other value as a handle, ignoring its low two bits:
  // ClassKey 7 would reach whatever key the process holds as handle 4.
  address.parent = RootHandle(m_ClassKey);
  if (!IsPredefinedRoot(address.parent)) {
    address.failure = Failure::kRoot;
    return address;
  }
  if (through == Through::kMachine && !m_Machine.empty()) {
    const auto machine = ServiceName(m_Machine);
    if (machine) {
      address.status =
          service_->ConnectRegistry(*machine, address.parent, address.connection.Receive());
    }
    if (!machine || address.status != status::kSuccess) {
      address.failure = Failure::kComputer;
      return address;
    }
    address.parent = address.connection.get();
  }
  return address;
}

}  // namespace cregistry
