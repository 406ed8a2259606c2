// One-call value access through the object's own public members.
#include "cregistry/cregistry.h"

namespace cregistry {

Variant cRegistry::ValueEx(std::int32_t ClassKey, TextArg SectionKey, TextArg ValueKey,
                           std::int32_t ValueType, const Variant& Default) {
  ERegistryReadResult result = READ_FOUND;
  std::int32_t status = 0;
  return ValueEx(ClassKey, std::move(SectionKey), std::move(ValueKey), ValueType, Default, result,
                 status);
}

Variant cRegistry::ValueEx(std::int32_t ClassKey, TextArg SectionKey, TextArg ValueKey,
                           std::int32_t ValueType, const Variant& Default,
                           ERegistryReadResult& eResult, std::int32_t& lStatus) {
  this->ClassKey(ClassKey);
  this->SectionKey(std::move(SectionKey));
  this->ValueKey(std::move(ValueKey));
  this->ValueType(ValueType);
  this->Default(Default);
  return Value(eResult, lStatus);
}

void cRegistry::ValueEx(std::int32_t ClassKey, TextArg SectionKey, TextArg ValueKey,
                        std::int32_t ValueType, const Variant& Default, const Variant& NewValue) {
  this->ClassKey(ClassKey);
  this->SectionKey(std::move(SectionKey));
  this->ValueKey(std::move(ValueKey));
  this->ValueType(ValueType);
  this->Default(Default);
  // An empty text for a plain text value stores the default instead.
  const bool useDefault = this->ValueType() == REG_SZ && NewValue.ToText().empty();
  Value(useDefault ? Default : NewValue);
}

}  // namespace cregistry
