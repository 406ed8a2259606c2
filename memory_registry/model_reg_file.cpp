// The in-memory registry loaded from .reg files and written to them.
#include <algorithm>
#include <variant>

#include "cregistry/reg_file_error.h"
#include "key_path.h"
#include "model.h"
#include "node.h"
#include "reg_file.h"

namespace cregistry {
namespace memory {
namespace {

// What a file changed, to be undone, the last change first, when a later
// line of it is refused.
class Journal {
 public:
  void Created(Node& parent, const Text& name) {
    changes_.push_back(Made{&parent, FoldCase(name)});
  }
  void Removed(std::shared_ptr<Node> key) { changes_.push_back(Gone{key->parent, std::move(key)}); }
  void Replaced(Node& key, const Text& folded,
                std::optional<std::pair<Node::ValueNumber, Node::Value>> old) {
    changes_.push_back(Written{&key, folded, std::move(old)});
  }

  void Undo() {
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
      std::visit([](auto& undone) { Undo(undone); }, *change);
    }
    changes_.clear();
  }

 private:
  struct Made {  // a key made: empty again by the time it is undone
    Node* parent;
    Text folded;
  };
  struct Gone {  // a key removed with everything below it
    Node* parent;
    std::shared_ptr<Node> key;
  };
  struct Written {  // a value set or deleted, and what it was before
    Node* key;
    Text folded;
    std::optional<std::pair<Node::ValueNumber, Node::Value>> old;
  };
  static void Undo(Made& made) { (*made.parent->Child(made.folded))->Detach(); }
  static void Undo(Gone& gone) {
    gone.key->ForEachInTree([](Node& node) {
      node.deleted = false;
      return true;
    });
    gone.parent->Attach(std::move(gone.key));
  }
  static void Undo(Written& written) {
    written.key->TakeValue(written.folded);
    if (written.old) written.key->PutBack(written.old->first, std::move(written.old->second));
  }

  std::vector<std::variant<Made, Gone, Written>> changes_;
};

// What a refused line names: "what (\"name\")".
std::string Naming(const char* what, const Text& name) {
  std::string said = what;
  said += " (\"";
  said += ToUtf8(name);
  said += "\")";
  return said;
}

}  // namespace

Model::View Model::RegView(std::uint32_t view) const {
  // reg.exe is a 64-bit program on 64-bit Windows: /reg:32 picks the 32-bit
  // view; /reg:64, or neither, its own.
  if (!windows64_) return View::kOne;
  return (view & access::kViews) == access::kView32 ? View::k32 : View::k64;
}

void Model::ImportReg(std::string_view file, std::uint32_t view) {
  // Applied as it is read, each line against the registry as the lines
  // before it left it, and refused where reg import could not apply it as
  // this registry would hold it: a key whose path meets a registry link
  // (reg import would write or delete where it leads), a tree to delete
  // that holds one, a key Windows never deletes, and whatever the service
  // would refuse. A file with an error is undone whole.
  Journal journal;
  const View inView = RegView(view);
  std::shared_ptr<Node> node;  // the key the values go to
  const auto key = [this, &node, &journal, inView](const RegFileKey& named) -> std::string {
    Text path;
    for (const auto& level : named.levels) path += level + u"\\";
    Key reached;
    Made made;
    const Status st = Resolve(RootHandle(named.hive), path, !named.remove, Follow::kRefuse, inView,
                              reached, &made);
    for (const auto& created : made) journal.Created(*created->parent, created->name);
    switch (st) {
      case status::kSuccess:
        break;
      case kThroughLink:
        return "a registry link on the key's path";
      case status::kFileNotFound:
        if (named.remove) return {};  // nothing there to delete
        return "a key that cannot be made";
      case status::kAccessDenied:
        return "a key where keys may not be made";
      case status::kInvalidParameter:
        return "a key deeper than Windows keeps (512 levels)";
      default:
        return "a key that cannot be reached (status " + std::to_string(st) + ")";
    }
    node = Reached(reached);
    if (!named.remove) return {};
    if (node->fixed) return "a key that Windows never deletes";
    // reg import deletes the tree key by key, and would follow a link.
    std::string wrong;
    node->ForEachInTree([&wrong](const Node& key) {
      const std::uint32_t needed =
          access::kDelete | (key.ChildCount() ? access::kEnumerateSubKeys : 0);
      if (key.link) wrong = Naming("a registry link in the tree to delete", key.name);
      if (!key.link && (key.denied & needed)) {
        wrong = Naming("a key that may not be deleted", key.name);
      }
      return wrong.empty();
    });
    if (!wrong.empty()) return wrong;
    auto removed = node;
    Remove(*node);
    journal.Removed(std::move(removed));
    return {};
  };
  const auto value = [this, &node, &journal](RegFileValue&& named) -> std::string {
    if (node->denied & access::kSetValue) {
      return Naming("a value where values may not be set, in", node->name);
    }
    const Text folded = FoldCase(named.name);
    if (named.remove) {
      if (auto old = node->TakeValue(folded)) journal.Replaced(*node, folded, std::move(old));
      return {};
    }
    std::string listed = Narrow(named.name);
    journal.Replaced(*node, folded,
                     node->Replace({std::move(named.name), std::move(listed), named.type,
                                    std::move(named.data)}));
    return {};
  };
  try {
    ReadRegFile(file, codePage_, {key, value});
  } catch (...) {
    journal.Undo();
    throw;
  }
}

std::string Model::ExportReg(KeyHandle root, const std::string& path, std::uint32_t view) {
  const auto hive = RootOf(root);
  const char16_t* rootName = hive ? RegFileRootName(static_cast<std::int32_t>(*hive)) : nullptr;
  Text name = rootName ? rootName : u"";
  for (const auto& level : SplitPath(Wide(path))) name += u"\\" + level;
  Key start;
  const Status st = rootName
                        ? Resolve(*hive, Wide(path), false, Follow::kRefuse, RegView(view), start)
                        : status::kInvalidHandle;
  if (st == kThroughLink) throw RegFileError(0, "a registry link at " + ToUtf8(name));
  if (st != status::kSuccess) throw RegFileError(0, "no key " + path + " to export");
  RegFileWriter out;
  // Depth first in listing order. A registry link is refused: reg export
  // would follow it out of the key.
  std::vector<std::pair<Text, Key>> pending;
  pending.emplace_back(name, std::move(start));
  while (!pending.empty()) {
    const Text keyName = std::move(pending.back().first);
    const Key key = std::move(pending.back().second);
    pending.pop_back();
    const auto reached = Reached(key);
    if (!reached) continue;  // named by the listing, but not there in the view
    if (reached->link) throw RegFileError(0, "a registry link at " + ToUtf8(keyName));
    out.Key(keyName);
    for (const Node::Value* value : Values(key)) out.Value(value->name, value->type, value->data);
    auto keys = SubKeys(key);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
      pending.emplace_back(keyName + u"\\" + it->first, std::move(it->second));
    }
  }
  return out.Finish();
}

}  // namespace memory
}  // namespace cregistry
