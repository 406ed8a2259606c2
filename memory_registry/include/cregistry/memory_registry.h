// An in-memory registry service that answers every call of the service
// interface as Windows does (Windows, not Wine, where the two differ): the
// predefined roots (HKEY_CLASSES_ROOT the user's classes merged over the
// machine's, HKEY_CURRENT_USER the user's key below HKEY_USERS,
// HKEY_CURRENT_CONFIG the current hardware profile, HKEY_PERFORMANCE_DATA
// no key at all), the views of 64-bit Windows, nested keys with case-insensitive names that keep
// their case, values listed in the order they were created, texts held in UTF-16 and handed out in
// the code page (a character it lacks as its look-alike, or "?"), Windows status codes, handles
// valid until closed (their low two bits ignored; 2 there on the handles of keys opened below
// HKEY_CLASSES_ROOT, as Windows marks its classes view), access rights enforced and generic rights
// mapped (a deletion needs only the right to delete), registry links, other computers, an
// environment for the expansion, and the ANSI entry points of a code page chosen when it is made:
// Windows-1252 (the default), 932 or UTF-8 (65001), converted with Windows' own tables. Like
// advapi32, it reports the longest value name in UTF-16 units, hands names out in bytes, answers
// 234 when a buffer is too small, reads the byte after a text's count, converts text data as the
// runtime library does (in 932 a lead byte takes the next byte as its trail, even a NUL), and
// expands as ExpandEnvironmentStringsA does (the text is written only where
// the buffer has room for it, its NUL and one byte more). A differential
// test holds it to advapi32 call by call.
//
// Note: it keeps Windows' limits. A tree is 512 levels deep at most,
// counted as Windows counts them from \REGISTRY: HKEY_LOCAL_MACHINE and
// HKEY_USERS are level 2, HKEY_CURRENT_USER level 3, so a key may lie 509
// levels below HKEY_CURRENT_USER; creating one deeper answers 87. A key's
// name is 255 characters at most, a value's 16,383. The hives' roots, the
// keys behind the predefined roots (HKEY_LOCAL_MACHINE\SOFTWARE and
// SOFTWARE\Classes, HKEY_LOCAL_MACHINE\System down to the current hardware
// profile) and the roots themselves are never deleted: a deletion answers
// 5. A handle's value is given out again once it is closed, the last closed
// first, as Windows reuses them, so that no handle ever equals a root's.
// Sub-keys and values are found, listed by index (in either direction, and
// while deleting) and deleted in logarithmic time; an index of a key
// through HKEY_CLASSES_ROOT costs that for each of the user's entries too.
//
// Note: a registry link is followed wherever Windows follows one: at every
// level of a path but the last of OpenKeyNoFollow, also by DeleteKey, whose
// target is what it deletes. A link's target is its value SymbolicLinkValue
// (REG_LINK): a native path in UTF-16 without a NUL, \REGISTRY\MACHINE\...
// or \REGISTRY\USER\..., where this registry's HKEY_CURRENT_USER is
// \REGISTRY\USER\S-1-5-21-0-0-0-1000. A link that leads nowhere is not
// found, one that leads round in a circle answers 87.
//
// Note: it answers as the program it is made as (Program). On 32-bit
// Windows there is one registry, and the view flags KEY_WOW64_64KEY and
// KEY_WOW64_32KEY (access::kView64, kView32) change nothing. On 64-bit
// Windows it applies the registry redirector of Windows 7 and later, as
// "Registry Keys Affected by WOW64" documents it: a 64-bit program's own
// view is the 64-bit one, a 32-bit program's the 32-bit one, and the flags
// choose the other (both at once answer 87). The 32-bit view finds the
// keys below HKEY_LOCAL_MACHINE\SOFTWARE below its Wow6432Node, but for the
// keys the views share (Classes, Clients, Policies, RegisteredApplications
// and the others listed there, with what is below them), and the classes'
// CLSID, DirectShow, Interface, Media Type and MediaFoundation (the
// machine's and the user's) below Classes\Wow6432Node; its
// HKEY_LOCAL_MACHINE\SOFTWARE is SOFTWARE\Wow6432Node. It redirects by a
// key's whole path, below a handle of the 64-bit view's keys too; below the
// 32-bit view's own keys nothing is redirected, whatever the flags (nor
// shared again); Wow6432Node on the way is the 32-bit view's own place, not
// redirected again; a handle keeps the view it was opened in for what is
// opened below it; the links Windows keeps for
// old programs lead on (SOFTWARE\Wow6432Node\Classes to
// Classes\Wow6432Node, whose AppID, Protocols and TypeLib lead back up).
// Listings list what a handle's key holds; DeleteKeyEx deletes in the view
// it names. Several programs of one Windows may share a computer (the
// constructor that takes a registry).
// HKEY_CLASSES_ROOT merges, on every Windows, the user's classes
// (HKEY_CURRENT_USER\Software\Classes) over the machine's
// (HKEY_LOCAL_MACHINE\SOFTWARE\Classes), key by key, as "Merged View of
// HKEY_CLASSES_ROOT" documents it: a key reached through it is the user's
// where there is one (found again when the user's is made later), else the
// machine's; its values are read from the user's, else the machine's; its
// listings hold the user's entries, then the machine's that the user's
// lack; a new key is made among the machine's, a value is written to the
// key reached, and a deletion takes the user's key first. A handle holds
// the halves it reached: deleted, it answers 1018. The direct access
// addresses keys as they are held, without views or merging; a new registry
// holds HKEY_CURRENT_USER\Software\Classes, as Windows always does.
//
// It does not model security descriptors (DenyAccess stands in for them),
// volatile keys, transactions, change notifications, the wide (W) entry
// points, Windows Vista's reflection between the views, the rewriting of
// %ProgramFiles% in a 32-bit program's texts, Windows 10 on ARM's third
// view, or a limit on the levels one call may make.
//
// Note: any number of threads may call any member at once, as they call
// Windows' registry. Each call is atomic, as a registry call is on Windows
// (one lock over the whole registry, held for the whole of the call): a
// read sees a value whole, as it was before a concurrent write or after
// it; a listing by index under concurrent changes answers with statuses and
// names that existed; a handle closed or a key deleted by another thread
// answers 6 or 1018 (until the closed handle's value is given out again:
// then, as on Windows, it reaches the new handle's key). ImportReg applies a file as one call, so
// no other caller sees half of it, and ExportReg and Dump write one consistent state (the *File
// forms read or write their file outside the call; ExportRegFile puts the whole file in place at
// once). Another computer's registry (ConnectRegistry) is held in the same way.
//
// To make calls fail, throw or be recorded, wrap it in a HookedService
// (cregistry/hooked_service.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cregistry/reg_file_error.h"
#include "cregistry/registry_service.h"

namespace cregistry {

class MemoryRegistry final : public RegistryService {
 public:
  // The program that the registry answers (see the note on views above).
  enum class Program {
    kOn32BitWindows,       // a program on 32-bit Windows: one registry, no views
    k64BitOn64BitWindows,  // a 64-bit program on 64-bit Windows: the 64-bit view its own
    k32BitOn64BitWindows,  // a 32-bit program on 64-bit Windows (WOW64): the 32-bit view its own
  };

  // A registry of its own, answering program, whose ANSI entry points speak
  // the code page.
  explicit MemoryRegistry(unsigned codePage = 1252, Program program = Program::kOn32BitWindows);
  // Another program on registry's computer, which shares everything that
  // registry holds (its keys, values, computers, environment, code page,
  // and its handles, which the programs of one computer share here), as a
  // 32-bit installer and a 64-bit service share one machine's registry.
  // Throws std::invalid_argument for a program of the other Windows.
  MemoryRegistry(const MemoryRegistry& registry, Program program);
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

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
  Program Kind() const { return program_; }
  std::optional<std::string> ToCodePage(TextView text) const override;
  Text FromCodePage(std::string_view bytes) const override;
  unsigned CodePage() const override { return codePage_; }
  unsigned MaxCharBytes() const override;

  // --- What it holds, set up and read directly --------------------------
  // These bypass handles and access rights, and address keys as they are
  // stored: a link is a key of its own, never followed. Paths are below the
  // root, in the code page, levels separated by \. What the service would
  // refuse to make they refuse too, and change nothing: a key's name longer
  // than 255 characters, a key deeper than 512 levels, a value's name
  // longer than 16,383 characters, a value in a link but its target.

  // Refuses, with status 5, opening the key with any of the rights in
  // deniedAccess; kCreateSubKey also refuses creating keys below it, and
  // kDelete deleting it. The key need not exist yet: it is made (false
  // where it cannot be).
  bool DenyAccess(KeyHandle root, const std::string& path, std::uint32_t deniedAccess);
  // Makes a computer reachable by ConnectRegistry with its own, empty
  // registry. Any other name but the local one reports status 53.
  void AddComputer(const std::string& name);
  // The local computer's name: connecting to it reaches this registry.
  static constexpr const char* kLocalComputer = "\\\\STANDIN";
  // The environment that ExpandEnvironment reads (names compare without
  // regard to case).
  void SetVariable(const std::string& name, const std::string& value);

  // Adds a key below path named in UTF-16, as a program that uses the wide
  // entry points names it: its name may hold characters that the code page
  // cannot, which the listings hand out as Windows does, as a look-alike
  // (Ł as L, the fullwidth backslash as \) or "?". A name no key can have
  // (empty, with a backslash, longer than 255) makes nothing, and answers
  // false.
  bool AddWideKey(KeyHandle root, const std::string& path, const Text& name);
  // Adds a registry link at path whose SymbolicLinkValue names targetPath
  // below targetRoot (which need not exist), as a program makes one with
  // REG_OPTION_CREATE_LINK. False, and nothing changed, where a key is
  // already or none can be made.
  bool AddLink(KeyHandle root, const std::string& path, KeyHandle targetRoot,
               const std::string& targetPath);
  // Removes the key at path with everything below it (names that no path
  // can spell included); handles to them answer 1018 from then on. A key
  // that Windows never deletes (a root, a hive's root, a key behind a
  // predefined root) stays, with all it holds.
  void Remove(KeyHandle root, const std::string& path);

  bool KeyPresent(KeyHandle root, const std::string& path) const;
  struct StoredValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  std::optional<StoredValue> Stored(KeyHandle root, const std::string& path,
                                    const std::string& name) const;
  // Stores a value (texts given in the code page), making the key where it
  // is missing; false, and nothing changed, where the service would refuse.
  bool Store(KeyHandle root, const std::string& path, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> data);
  // Every key and value of this computer's registry, one line each
  // ("HKCU\\Path" and "HKCU\\Path|name=type:hex"), names in the code page,
  // in listing order.
  std::vector<std::string> Dump() const;
  // Where an open handle of this computer leads, as Dump writes the key's
  // line ("HKLM\\SOFTWARE\\Classes\\.txt"); nothing for a handle that is
  // not open, a deleted key or another computer's.
  std::optional<std::string> KeyPath(KeyHandle key) const;

  // --- .reg files ------------------------------------------------------------
  // Applies a .reg file as reg import applies it to Windows: the keys made,
  // the values set with the types and bytes Windows stores, [-key] and
  // "name"=- deleting. Reads "Windows Registry Editor Version 5.00" (UTF-16LE
  // with its byte-order mark, or UTF-8, or ASCII) and "REGEDIT4" (this
  // registry's code page): key headers with every root's name and short
  // name, @ for the default value, strings with their escapes, dword:, hex:
  // and hex(<type>): over continued lines (which may hold blank lines and ;
  // comments between them), a text in hex given the NUL it lacks, comments
  // (; and #) and blank lines, CR LF, LF or CR. All or nothing: a file with an error changes
  // nothing, and raises RegFileError (cregistry/reg_file_error.h) with the line and what was
  // expected there. Such an error is also a line that Windows' reg import
  // skips (a \0 escape, a line holding U+0000, a # comment inside continued
  // data...), and a line that it could not apply as this registry
  // would hold it: a key whose path meets a registry link (AddLink), a tree
  // to delete that holds one (reg import would write or delete where the
  // link leads), a key Windows never deletes, a key deeper than 512 levels,
  // and a key made, a value written or a key deleted where DenyAccess
  // refuses it. Each line is checked against the registry as the lines
  // before it left it.
  // The keys are addressed as reg import (a 64-bit program on 64-bit
  // Windows) addresses them: view access::kView32 as with /reg:32,
  // access::kView64 or 0 as with /reg:64 (on 32-bit Windows, every view
  // is the one registry); below HKEY_CLASSES_ROOT, as its merged view does.
  void ImportReg(std::string_view file, std::uint32_t view = 0);
  void ImportRegFile(const std::string& fileName, std::uint32_t view = 0);
  // The key at path below root with everything below it, as reg export
  // writes it: version 5.00, UTF-16LE with its byte-order mark, CR LF, the
  // values in the order they were created, the sub-keys in listing order,
  // hex data wrapped at 80 columns. A snapshot to compare, diff, or load
  // into Windows, which reg import reads back as the keys it was taken
  // from. Raises RegFileError for a key that is not there, that holds a
  // registry link (which reg export would follow out of the key), or a key
  // whose name a .reg file cannot carry (holding CR, LF or U+0000); the *File
  // forms also for a file that cannot be read (a folder or a device
  // included) or written.
  // The key is addressed as reg export addresses it, in the view given as
  // for ImportReg; below HKEY_CLASSES_ROOT, its merged view is written.
  std::string ExportReg(KeyHandle root, const std::string& path, std::uint32_t view = 0) const;
  void ExportRegFile(KeyHandle root, const std::string& path, const std::string& fileName,
                     std::uint32_t view = 0) const;

 private:
  // The registry itself, which one call at a time may use (memory_registry.cpp).
  struct Shared;
  struct Call;
  Call Enter() const;
  const unsigned codePage_;
  const Program program_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace cregistry
