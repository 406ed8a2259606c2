// cRegistry: general-purpose access to the registry.
//
// An object holds an address (a root hive, a key path called the section,
// a value name) and a few settings (a value type, a default value, a
// computer name). Setting a property opens nothing and checks nothing; each
// operation acts on what the object addresses at the moment of the call,
// opens what it needs and closes it before it returns or raises, so no
// registry handle ever outlives a call.
//
// Failures are reported per member: a Boolean, a RegistryError, a fall-back
// to Default (the value read) or an empty list (the enumerations).
//
// Note: an object's addressing properties are its own state, which every
// member reads and some set (ValueEx, the associations, a read's
// ValueType): one object is used by one thread at a time. Any number of
// objects, each on its thread, may share one service: Win32Registry,
// MemoryRegistry and HookedService all take calls from any thread, and
// every call is atomic, as a call of Windows' registry is.
//
// Note: names and texts reach the registry service in its ANSI code page.
// A name or text that the code page cannot hold exactly (or a name with an
// embedded U+0000) is never sent substituted, since a look-alike character
// could address another key: the member fails as it fails for a key it
// cannot reach (KeyExists false, DeleteKey false, a read yields Default,
// CreateKey, DeleteValue and a write raise their errors). A name that
// another program stored through the wide (UTF-16) calls and that the code
// page cannot hold is listed by the enumerations with the service's
// substitute characters ("?"): it cannot be addressed by that listed name.
//
// Note: ClassKey must be one of the predefined root hives, 0x80000000 to
// 0x80000006. Windows takes any other value as a key handle, ignoring its
// low two bits (7 is handle 4), and would act on whatever key the process
// holds there. Such a ClassKey therefore never reaches the service: every
// member behaves as when the service refuses an invalid handle (KeyExists
// and DeleteKey false, a read yields Default, the listings are empty, and
// CreateKey, DeleteValue and a write raise their usual errors).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cregistry/boolean.h"
#include "cregistry/name_list.h"
#include "cregistry/read_result.h"
#include "cregistry/registry_error.h"
#include "cregistry/registry_service.h"
#include "cregistry/registry_types.h"
#include "cregistry/text.h"
#include "cregistry/variant.h"

namespace cregistry {

class OwnedKey;

class cRegistry {
 public:
  // A new object: ClassKey 0, SectionKey, ValueKey and Machine empty,
  // ValueType 0, Default the empty variant. The service must outlive it.
  explicit cRegistry(RegistryService& service);

  // --- Computer ----------------------------------------------------------
  // The computer that reads and writes go to; empty for this computer.
  Text Machine() const;
  // Names shorter than 3 characters mean this computer (empty); any other
  // name is given the prefix \\ unless it already starts with it.
  void Machine(TextArg sMachine);

  // --- Key operations ----------------------------------------------------
  // True if SectionKey below ClassKey can be opened for query; never raises.
  bool KeyExists();
  // Creates SectionKey below ClassKey with every missing level; true, or
  // raises 26001 "Failed to create registry Key: '<section>".
  bool CreateKey();
  // Asks the service to delete SectionKey directly below ClassKey (refused
  // for a key with sub-keys). True when the key was deleted; never raises.
  bool DeleteKey();
  // Deletes SectionKey below ClassKey with every sub-key and value below
  // it, the deepest keys first. True when nothing of it is left (a missing
  // key included); false when anything stayed, and for an empty SectionKey
  // (the root is never removed). Never raises a registry error.
  // Note: nothing outside the key is ever touched. A registry link below it
  // (or SectionKey itself, when it is one) is removed, never followed to
  // its target. A sub-key is reached only by a listed name that names it
  // exactly: the ANSI listing hands out an empty name for one that begins
  // with U+0000, and substitutes ("?", or a look-alike) for characters that
  // the code page cannot hold. Such a key stays, as does a tree deeper than
  // 512 levels (which Windows never makes), and the result is false.
  bool DeleteTree();
  // Deletes the value ValueKey of SectionKey; true, or raises 26001 when the
  // key cannot be opened or the value cannot be deleted.
  bool DeleteValue();

  // --- Values ------------------------------------------------------------
  // Reads ValueKey of SectionKey (on Machine when set) and sets ValueType to
  // the stored type. Texts (types 1, 2, 7) lose one terminating NUL when
  // present, and type 2 is expanded; types 4 and 5 give a 32-bit integer
  // (type 5 with its bytes reversed); every other type gives the stored
  // bytes as a ByteArray indexed from 0. Yields a copy of Default when there
  // is nothing to read; never raises a registry error.
  // Note: the read probes the size, then fetches; a value rewritten in
  // between is probed again a few times before the read gives up.
  Variant Value();
  // The same read, telling why it yielded what it did in eResult (READ_FOUND,
  // or why it fell back to Default: cregistry/read_result.h) and lStatus,
  // the status of the service call that decided it (0 where none did, as for
  // a name never sent).
  Variant Value(ERegistryReadResult& eResult, std::int32_t& lStatus);
  // Stores vValue by ValueType, creating the key path where missing:
  // 1 or 2: text, stored as type 2 when it holds "%" and another "%" at
  // least two characters later, else type 1; 3: a ByteArray (an empty one
  // stores empty data); 4 or 5: a 16- or 32-bit integer, stored as type 4.
  // Raises 26001 when the key cannot be created or the computer in Machine
  // cannot be reached, 26001 without a message of its own for type 3 and a
  // value that is no ByteArray, and 0x800469A9 when nothing can be stored
  // (an unusable type or value, a refused store).
  void Value(const Variant& vValue);

  // --- Enumeration -------------------------------------------------------
  // Lists the value names of SectionKey below ClassKey (this computer) into
  // sKeyNames, the unnamed default value as an empty name. Always true; a
  // key that cannot be opened gives an empty list.
  bool EnumerateValues(NameList& sKeyNames, std::int32_t& iKeyCount);
  // Lists the sub-key names of SectionKey below ClassKey (this computer).
  // True; a failure that is not a registry status raises 0x800469AA.
  bool EnumerateSections(NameList& sSect, std::int32_t& iSectCount);

  // --- File-type associations -------------------------------------------
  // Registers sAssociation (without its dot) as a file of class sClassName
  // opened by sExePath, below HKEY_CLASSES_ROOT and again below
  // HKEY_LOCAL_MACHINE\SOFTWARE\Classes: the extension, the class with its
  // description, the Open command and, when asked, Print, Install ("add"),
  // New and the icon. An empty menu text means the usual one. The first
  // failing write reaches the caller; earlier writes stay. A text where a
  // Boolean belongs does not compile (cregistry/boolean.h).
  void CreateEXEAssociation(TextArg sExePath, TextArg sClassName, TextArg sClassDescription,
                            TextArg sAssociation, TextArg sOpenMenuText = u"&Open",
                            Boolean bSupportPrint = false, TextArg sPrintMenuText = u"&Print",
                            Boolean bSupportNew = false, TextArg sNewMenuText = u"&New",
                            Boolean bSupportInstall = false, TextArg sInstallMenuText = u"",
                            std::int32_t lDefaultIconIndex = -1);
  // Adds commands to a registered class: vItems holds triples of command
  // key name, menu text and command line. Raises 0x800469AC when the count
  // is not a multiple of 3, 0x800469AD when sClassName is not registered
  // below HKEY_CLASSES_ROOT; failed writes of the triples are passed over.
  void CreateAdditionalEXEAssociations(TextArg sClassName, const std::vector<Text>& vItems);

  // --- Addressing --------------------------------------------------------
  // The type code that selects a write's conversion; a read that finds a
  // value sets it to the stored type.
  std::int32_t ValueType() const;
  void ValueType(std::int32_t eValueType);
  // The root hive: any 32-bit value is kept, and read back unchanged; one
  // that names no predefined root makes the operations fail (see above).
  std::int32_t ClassKey() const;
  void ClassKey(std::int32_t eKey);
  // The same for a root hive given as a Windows handle, as <windows.h>
  // defines HKEY_CURRENT_USER and its siblings.
  void ClassKey(const ::HKEY__* eKey) { ClassKey(HiveValue(eKey)); }
  // The key path below the root, passed to the service unchanged.
  Text SectionKey() const;
  void SectionKey(TextArg sSectionKey);
  // The value name; empty addresses the key's unnamed default value.
  Text ValueKey() const;
  // Sets ClassKey, SectionKey, ValueKey, ValueType and Default, in that
  // order, then reads Value. The settings stay on the object.
  Variant ValueEx(std::int32_t ClassKey, TextArg SectionKey, TextArg ValueKey,
                  std::int32_t ValueType, const Variant& Default);
  // The same, telling why the read yielded what it did (as Value does).
  Variant ValueEx(std::int32_t ClassKey, TextArg SectionKey, TextArg ValueKey,
                  std::int32_t ValueType, const Variant& Default, ERegistryReadResult& eResult,
                  std::int32_t& lStatus);
  // Sets the five properties as the read does, then writes NewValue; with
  // ValueType 1 a NewValue whose text is empty is replaced by Default.
  void ValueEx(std::int32_t ClassKey, TextArg SectionKey, TextArg ValueKey, std::int32_t ValueType,
               const Variant& Default, const Variant& NewValue);
  // Both forms also take the root hive as a Windows handle.
  Variant ValueEx(const ::HKEY__* ClassKey, TextArg SectionKey, TextArg ValueKey,
                  std::int32_t ValueType, const Variant& Default) {
    return ValueEx(HiveValue(ClassKey), std::move(SectionKey), std::move(ValueKey), ValueType,
                   Default);
  }
  Variant ValueEx(const ::HKEY__* ClassKey, TextArg SectionKey, TextArg ValueKey,
                  std::int32_t ValueType, const Variant& Default, ERegistryReadResult& eResult,
                  std::int32_t& lStatus) {
    return ValueEx(HiveValue(ClassKey), std::move(SectionKey), std::move(ValueKey), ValueType,
                   Default, eResult, lStatus);
  }
  void ValueEx(const ::HKEY__* ClassKey, TextArg SectionKey, TextArg ValueKey,
               std::int32_t ValueType, const Variant& Default, const Variant& NewValue) {
    ValueEx(HiveValue(ClassKey), std::move(SectionKey), std::move(ValueKey), ValueType, Default,
            NewValue);
  }
  void ValueKey(TextArg sValueKey);
  // What a read yields when there is nothing to read; held as a copy.
  Variant Default() const;
  void Default(const Variant& vDefault);
  // The view of the registry that every operation addresses (ERegistryView):
  // REGISTRY_VIEW_DEFAULT, the process's own, makes every call as before;
  // REGISTRY_VIEW_64 and REGISTRY_VIEW_32 reach the 64-bit or the 32-bit
  // view of 64-bit Windows from a program of either kind (its bits go into
  // every access mask, and a key is deleted with RegDeleteKeyExA). On
  // Windows without WOW64 (32-bit Windows, XP among them) every view is the
  // one registry. Any 32-bit value is kept; only those bits are sent.
  std::int32_t View() const;
  void View(std::int32_t eView);

 private:
  // Writes the text as the value ValueKey of SectionKey below
  // HKEY_CLASSES_ROOT, then below HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
  void WriteClassesValue(const Text& text);
  // The four bytes of value in reverse order.
  void ReverseByteOrder(std::int32_t value, std::int32_t& result);
  // The stored text (in the service's code page) with its %NAME%
  // references expanded, as text; unexpanded if the expansion fails.
  Text ExpandEnvironmentText(const std::string& stored);

  // The name in the service's code page; nothing when it cannot be sent
  // exactly (a character outside the code page, an embedded U+0000).
  std::optional<std::string> ServiceName(const Text& name) const;
  // The key that the properties address (cregistry_address.h); reads and
  // writes reach it through the computer in Machine.
  struct Address;
  enum class Through { kThisComputer, kMachine };
  Address Addressed(Through through);
  std::optional<Variant> ReadFound(KeyHandle key, const std::string& name,
                                   ERegistryReadResult& eResult, std::int32_t& lStatus);
  // The sub-key names of an open key, as the service hands them out, in its
  // order; the buffer grows for a long name. Ends at the first failure.
  std::vector<std::string> SubKeyNames(KeyHandle key);
  // Opens a key to remove it in the view, never following a link; listable
  // tells whether its sub-keys can be listed.
  Status OpenForRemoval(KeyHandle parent, const std::string& name, std::uint32_t view,
                        OwnedKey& key, bool& listable);
  // Removes an open key with everything below it, the deepest keys first;
  // true when it is gone. level counts from the key DeleteTree names.
  bool Remove(KeyHandle key, std::uint32_t view, bool listable, int level);
  RegistryError WriteFailure(std::int32_t number, const Variant& vValue,
                             Status serviceStatus = 0) const;
  // The status of the store, or nothing when no store was made (no
  // conversion for the type or the value).
  std::optional<Status> Store(KeyHandle key, const std::string& name, const Variant& vValue);

  RegistryService* service_;
  std::int32_t m_ClassKey = 0;
  Text m_SectionKey;
  Text m_ValueKey;
  Variant m_Default;
  std::int32_t m_ValueType = REG_NONE;
  Text m_Machine;
  std::int32_t m_View = REGISTRY_VIEW_DEFAULT;
};

}  // namespace cregistry
