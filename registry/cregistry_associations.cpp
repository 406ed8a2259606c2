// File-type associations in the registry's two class tables.
#include "cregistry/cregistry.h"

namespace cregistry {

namespace {

// The executable path without surrounding spaces, in double quotes.
Text QuotedPath(const Text& sExePath) {
  const auto first = sExePath.find_first_not_of(u' ');
  Text path = first == Text::npos
                  ? Text()
                  : sExePath.substr(first, sExePath.find_last_not_of(u' ') - first + 1);
  if (path.empty() || path.front() != u'"') path.insert(path.begin(), u'"');
  if (path.back() != u'"') path.push_back(u'"');
  return path;
}

const Text& OrDefault(const Text& text, const Text& fallback) {
  return text.empty() ? fallback : text;
}

}  // namespace

void cRegistry::WriteClassesValue(const Text& text) {
  ClassKey(HKEY_CLASSES_ROOT);
  Value(Variant(text));
  const Text section = SectionKey();
  ClassKey(HKEY_LOCAL_MACHINE);
  SectionKey(u"SOFTWARE\\Classes\\" + section);
  Value(Variant(text));
  SectionKey(section);
}

void cRegistry::CreateEXEAssociation(TextArg sExePath, TextArg sClassName,
                                     TextArg sClassDescription, TextArg sAssociation,
                                     TextArg sOpenMenuText, Boolean bSupportPrint,
                                     TextArg sPrintMenuText, Boolean bSupportNew,
                                     TextArg sNewMenuText, Boolean bSupportInstall,
                                     TextArg sInstallMenuText, std::int32_t lDefaultIconIndex) {
  const Text path = QuotedPath(sExePath.text());
  const Text shell = sClassName.text() + u"\\shell\\";
  const auto write = [this](const Text& section, const Text& data) {
    SectionKey(section);
    ValueKey(u"");
    WriteClassesValue(data);
  };

  ValueType(REG_SZ);
  write(u"." + sAssociation.text(), sClassName.text());
  write(sClassName.text(), sClassDescription.text());
  write(shell + u"open", OrDefault(sOpenMenuText.text(), u"&Open"));
  write(shell + u"open\\command", path + u" \"%1\"");
  if (bSupportPrint) {
    write(shell + u"print", OrDefault(sPrintMenuText.text(), u"&Print"));
    write(shell + u"print\\command", path + u" /p \"%1\"");
  }
  if (bSupportInstall) {
    write(shell + u"add", OrDefault(sInstallMenuText.text(), u"&Install " + sAssociation.text()));
    write(shell + u"add\\command", path + u" /a \"%1\"");
  }
  if (bSupportNew) {
    write(shell + u"new", OrDefault(sNewMenuText.text(), u"&New"));
    write(shell + u"new\\command", path + u" /n \"%1\"");
  }
  if (lDefaultIconIndex >= 0) {
    write(sClassName.text() + u"\\DefaultIcon", path + u"," + DecimalText(lDefaultIconIndex));
  }
}

void cRegistry::CreateAdditionalEXEAssociations(TextArg sClassName,
                                                const std::vector<Text>& vItems) {
  if (vItems.size() % 3 != 0) {
    throw RegistryError::Raise(
        error_number::kBadAssociationList,
        u"Invalid parameter list passed to CreateAdditionalEXEAssociations - "
        u"expected Name/Text/Command");
  }
  // The class is looked for below HKEY_CLASSES_ROOT, where
  // CreateEXEAssociation registers it, whatever ClassKey holds now.
  SectionKey(sClassName.text());
  const std::int32_t root = ClassKey();
  ClassKey(HKEY_CLASSES_ROOT);
  const bool defined = KeyExists();
  ClassKey(root);
  if (!defined) {
    throw RegistryError::Raise(
        error_number::kClassNotDefined,
        u"Error - attempt to create additional associations before class defined.");
  }
  // Each write that fails, whatever the failure, is passed over; the next
  // one still runs.
  const auto write = [this](const Text& section, const Text& data) {
    try {
      SectionKey(section);
      ValueKey(u"");
      WriteClassesValue(data);
    } catch (const std::exception&) {
    }
  };
  for (std::size_t k = 0; k < vItems.size(); k += 3) {
    ValueType(REG_SZ);
    const Text command = sClassName.text() + u"\\shell\\" + vItems[k];
    write(command, vItems[k + 1]);
    write(command + u"\\command", vItems[k + 2]);
  }
}

}  // namespace cregistry
