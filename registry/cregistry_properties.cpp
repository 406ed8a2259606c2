// The object's addressing and setting properties.
#include "cregistry/cregistry.h"

cRegistry::cRegistry(platform::RegistryService& service) : service_(&service) {}

cRegistry::Text cRegistry::Machine() const { return m_Machine; }

void cRegistry::Machine(const Text& sMachine) {
  // One or two characters cannot name a computer: they mean this one.
  if (sMachine.size() < 3) {
    m_Machine.clear();
  } else if (sMachine.compare(0, 2, u"\\\\") != 0) {
    m_Machine = u"\\\\" + sMachine;
  } else {
    m_Machine = sMachine;
  }
}

std::int32_t cRegistry::ValueType() const { return m_ValueType; }
void cRegistry::ValueType(std::int32_t eValueType) { m_ValueType = eValueType; }

std::int32_t cRegistry::ClassKey() const { return m_ClassKey; }
void cRegistry::ClassKey(std::int32_t eKey) { m_ClassKey = eKey; }

cRegistry::Text cRegistry::SectionKey() const { return m_SectionKey; }
void cRegistry::SectionKey(const Text& sSectionKey) { m_SectionKey = sSectionKey; }

cRegistry::Text cRegistry::ValueKey() const { return m_ValueKey; }
void cRegistry::ValueKey(const Text& sValueKey) { m_ValueKey = sValueKey; }

Variant cRegistry::Default() const { return m_Default; }
void cRegistry::Default(const Variant& vDefault) { m_Default = vDefault; }

std::optional<platform::KeyHandle> cRegistry::Root() const {
  // Windows takes any other value as a handle, ignoring its low two bits:
  // ClassKey 7 would reach whatever key the process holds as handle 4.
  const platform::KeyHandle root = platform::RootHandle(m_ClassKey);
  if (!platform::IsPredefinedRoot(root)) return std::nullopt;
  return root;
}

std::optional<std::string> cRegistry::ServiceName(const Text& name) const {
  // The service takes names as NUL-terminated texts: an embedded U+0000
  // would cut the name short and address another key or value.
  if (name.find(u'\0') != Text::npos) return std::nullopt;
  return service_->ToCodePage(name);
}
