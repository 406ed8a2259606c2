// Several threads on one registry, each with its own cRegistry: on the
// in-memory registry (bare, and behind the hooks) and on advapi32 under
// Wine. What is asserted holds on Windows' registry, whose every call is
// atomic: a value is read whole, as it was before a write or after it; a
// listing holds only names that existed; DeleteTree under writers is true,
// or false with the key left; a handle closed or a key deleted by another
// thread answers a status; and the end state holds every thread's writes.
// Each thread notes what it saw, and the test's own thread checks it
// (GoogleTest asserts from one thread where the runtime has no threads of
// its own).
#include <atomic>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cregistry/cregistry.h"
#include "test_support.h"
#include "threads.h"

namespace {

using namespace testing_support;
using cregistry::KeyHandle;
using cregistry::Status;
using cregistry::Text;
namespace access = cregistry::access;

// A backend shared by the threads, bare or behind the hooks.
template <typename Backend, bool kHooked>
struct Shared {
  using Of = Backend;
  static constexpr bool kThroughHooks = kHooked;
  static std::string Name() { return Backend::Name() + (kHooked ? "Hooked" : ""); }
};
using SharedBackends =
    ::testing::Types<Shared<MemoryBackend<1252>, false>, Shared<MemoryBackend<1252>, true>
#ifdef _WIN32
                     ,
                     Shared<Win32Backend, false>, Shared<Win32Backend, true>
#endif
                     >;

// A name and a number, "K7" (appended: GCC 12 sees a false overlap in
// operator+ of UTF-16 strings).
Text Numbered(const char16_t* name, int number) {
  Text numbered = name;
  numbered += cregistry::FromUtf8(std::to_string(number));
  return numbered;
}

// What the threads saw that they should not have: checked on the test's
// thread.
class Problems {
 public:
  void Add(const std::string& what) {
    if (count_++ < 20) {
      Locked([&] { seen_.push_back(what); });
    }
  }
  int Count() const { return count_; }
  std::vector<std::string> Seen() {
    std::vector<std::string> seen;
    Locked([&] { seen = seen_; });
    return seen;
  }

 private:
  // A spin lock: the win32 thread model's runtime has no std::mutex.
  template <typename F>
  void Locked(F&& f) {
    while (busy_.exchange(true)) {
    }
    f();
    busy_.store(false);
  }
  std::atomic<int> count_{0};
  std::atomic<bool> busy_{false};
  std::vector<std::string> seen_;
};

template <typename Param>
class Concurrency : public ::testing::Test {
 protected:
  using Backend = typename Param::Of;
  void SetUp() override {
    backend_ = Backend::Make();
    if (Param::kThroughHooks) hooks_.emplace(*backend_);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = "Software\\ResetParametriVelto-test\\Concurrency." + std::string(info->name());
    DeleteTree(service(), kHkcu, base_);
  }
  void TearDown() override {
    EXPECT_TRUE(DeleteTree(service(), kHkcu, base_));
    if (hooks_) {
      EXPECT_EQ(hooks_->OpenHandleCount(), 0) << "a handle stayed open";
    }
    for (const auto& problem : problems_.Seen()) ADD_FAILURE() << problem;
    EXPECT_EQ(problems_.Count(), 0);
  }
  cregistry::RegistryService& service() {
    return hooks_ ? static_cast<cregistry::RegistryService&>(*hooks_) : *backend_;
  }
  // Calls through Wine's registry server cost more: fewer rounds there.
  int Rounds(int inMemory) const { return Backend::kIsMemory ? inMemory : inMemory / 8; }
  Text Section(const std::string& below = "") const {
    return cregistry::FromUtf8(below.empty() ? base_ : base_ + "\\" + below);
  }
  cRegistry At(const Text& section, const Text& value = u"") {
    cRegistry reg(service());
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(section);
    reg.ValueKey(value);
    return reg;
  }

  std::unique_ptr<cregistry::RegistryService> backend_;
  std::optional<cregistry::HookedService> hooks_;
  std::string base_;
  Problems problems_;
};
TYPED_TEST_SUITE(Concurrency, SharedBackends, BackendNames);

// One thread rewrites a 4 KB value between two patterns; three read it,
// through the class and with raw calls: every read is one pattern whole.
TYPED_TEST(Concurrency, AValueIsReadWholeWhileAnotherThreadRewritesIt) {
  const int rounds = this->Rounds(2000);
  const auto pattern = [](int round) {
    return ByteArray{0, std::vector<std::uint8_t>(4096, round % 2 ? 0x11 : 0x22)};
  };
  {
    cRegistry reg = this->At(this->Section(), u"v");
    reg.ValueType(REG_BINARY);
    reg.Value(Variant(pattern(0)));
  }
  std::atomic<bool> writing{true};
  RunThreads(4, [&](int thread) {
    if (thread == 0) {
      cRegistry reg = this->At(this->Section(), u"v");
      for (int round = 1; round <= rounds; ++round) {
        reg.ValueType(REG_BINARY);
        reg.Value(Variant(pattern(round)));
      }
      writing = false;
      return;
    }
    const auto whole = [](const std::uint8_t* data, std::size_t size) {
      if (size != 4096 || (data[0] != 0x11 && data[0] != 0x22)) return false;
      for (std::size_t i = 1; i < size; ++i) {
        if (data[i] != data[0]) return false;
      }
      return true;
    };
    cRegistry reg = this->At(this->Section(), u"v");
    std::vector<std::uint8_t> buffer(8192);
    do {
      const Variant read = reg.Value();
      const auto* bytes = read.AsBytes();
      if (!bytes || !whole(bytes->Bytes.data(), bytes->Bytes.size())) {
        this->problems_.Add("a read through the class saw a torn or missing value");
      }
      KeyHandle key = 0;
      if (this->service().OpenKey(kHkcu, this->base_, access::kQueryValue, key) == 0) {
        std::uint32_t type = 0, size = static_cast<std::uint32_t>(buffer.size());
        const Status st = this->service().QueryValue(key, "v", &type, buffer.data(), &size);
        if (st != 0 || !whole(buffer.data(), size)) {
          this->problems_.Add("a raw read saw a torn value (status " + std::to_string(st) + ")");
        }
        this->service().CloseKey(key);
      }
    } while (writing);
  });
}

// Two threads make and delete sub-keys and values from a pool of names;
// two list them: every listed name is one of the pool, and a listing ends
// with 259.
TYPED_TEST(Concurrency, ListingsHoldOnlyNamesThatExisted) {
  const int rounds = this->Rounds(1500);
  std::set<Text> pool;
  for (int i = 0; i < 12; ++i) pool.insert(Numbered(u"K", i));
  this->At(this->Section()).CreateKey();
  std::atomic<int> changing{2};
  RunThreads(4, [&](int thread) {
    if (thread < 2) {
      for (int round = 0; round < rounds; ++round) {
        const Text name = Numbered(u"K", (round * 7 + thread) % 12);
        cRegistry reg = this->At(this->Section() + u"\\" + name, name);
        if (round % 3 == 2) {
          reg.DeleteKey();
          reg.SectionKey(this->Section());
          reg.ValueKey(name);
          try {
            reg.DeleteValue();
          } catch (const RegistryError&) {  // deleted by the other thread first
          }
        } else {
          reg.CreateKey();
          reg.SectionKey(this->Section());
          reg.ValueType(REG_DWORD);
          reg.Value(Variant(round));
        }
      }
      --changing;
      return;
    }
    cRegistry reg = this->At(this->Section());
    NameList names;
    std::int32_t count = 0;
    std::vector<char> raw(256);
    do {
      for (const bool sections : {true, false}) {
        sections ? reg.EnumerateSections(names, count) : reg.EnumerateValues(names, count);
        for (const Text& name : names) {
          if (!pool.count(name)) this->problems_.Add("listed a name never made: " + ToUtf8(name));
        }
      }
      KeyHandle key = 0;
      if (this->service().OpenKey(kHkcu, this->base_, access::kEnumerateSubKeys, key) == 0) {
        Status st = 0;
        for (std::uint32_t index = 0; st == 0; ++index) {
          st = this->service().EnumKey(key, index, raw.data(), 256);
          if (st == 0 && !pool.count(cregistry::FromUtf8(raw.data()))) {
            this->problems_.Add(std::string("EnumKey listed ") + raw.data());
          }
        }
        if (st != cregistry::status::kNoMoreItems) {
          this->problems_.Add("a listing ended with " + std::to_string(st));
        }
        this->service().CloseKey(key);
      }
    } while (changing > 0);
  });
}

// Writers keep making keys and values below T while another thread deletes
// T: each DeleteTree is true, or false with T still there; once the writers
// have stopped, it removes the whole tree.
TYPED_TEST(Concurrency, DeleteTreeUnderConcurrentWriters) {
  const int rounds = this->Rounds(1200);
  const Text tree = this->Section("T");
  std::atomic<int> writers{2};
  RunThreads(3, [&](int thread) {
    if (thread < 2) {
      cRegistry reg(this->service());
      for (int round = 0; round < rounds; ++round) {
        Text below = tree;
        below += Numbered(u"\\W", thread);
        below += Numbered(u"\\", round % 8);
        try {
          reg.ValueEx(HKEY_CURRENT_USER, below, u"v", REG_DWORD, Variant(), Variant(round));
        } catch (const RegistryError& error) {
          // The key went between its creation and the store: 1018.
          if (error.ServiceStatus != cregistry::status::kKeyDeleted) {
            this->problems_.Add("a write failed with " + std::to_string(error.ServiceStatus));
          }
        }
      }
      --writers;
      return;
    }
    cRegistry reg = this->At(tree);
    while (writers > 0) {
      if (!reg.DeleteTree() && !reg.KeyExists()) {
        this->problems_.Add("DeleteTree was false, and the key is gone");
      }
    }
  });
  cRegistry reg = this->At(tree);
  EXPECT_TRUE(reg.DeleteTree());
  EXPECT_FALSE(reg.KeyExists());
}

// Handles closed and keys deleted by another thread: every call answers a
// status Windows gives, and nothing crashes.
TYPED_TEST(Concurrency, HandlesClosedAndKeysDeletedByOtherThreads) {
  const int rounds = this->Rounds(2000);
  std::atomic<KeyHandle> published{0};
  std::atomic<int> working{2};  // the opener and the deleter
  // A closed handle's value may already be another thread's again (5 or 2
  // through the deleter's handle), as on Windows.
  const std::set<Status> expected = {
      0, cregistry::status::kFileNotFound, cregistry::status::kAccessDenied,
      cregistry::status::kInvalidHandle, cregistry::status::kKeyDeleted};
  RunThreads(3, [&](int thread) {
    auto& service = this->service();
    if (thread == 0) {  // opens, and reads through what it opened
      for (int round = 0; round < rounds; ++round) {
        KeyHandle key = 0;
        if (service.CreateKey(kHkcu, this->base_ + "\\K", access::kAllValueAndKeyRights, key) !=
            0) {
          continue;
        }
        const std::uint8_t one = 1;
        const Status set = service.SetValue(key, "v", REG_BINARY, &one, 1);
        published = key;  // the closer may close it from now on
        std::uint32_t type = 0, size = 0;
        const Status read = service.QueryValue(key, "v", &type, nullptr, &size);
        if (!expected.count(set) || !expected.count(read)) {
          this->problems_.Add("statuses " + std::to_string(set) + ", " + std::to_string(read));
        }
        KeyHandle unclaimed = key;
        if (published.compare_exchange_strong(unclaimed, 0)) service.CloseKey(key);
      }
    } else if (thread == 1) {  // closes what the opener published
      for (long round = 0; round < 1000L * rounds && working > 0; ++round) {
        if (const KeyHandle key = published.exchange(0)) service.CloseKey(key);
      }
      return;
    } else {  // deletes the key under the opener
      for (int round = 0; round < rounds; ++round) DeleteTree(service, kHkcu, this->base_ + "\\K");
    }
    --working;
  });
  if (const KeyHandle left = published.exchange(0)) this->service().CloseKey(left);
}

// Four threads each write values of their own to one key and read each back
// at once: each reads what it wrote, and the key ends with every value.
TYPED_TEST(Concurrency, EveryWriteIsThereAtTheEnd) {
  const int rounds = this->Rounds(400);
  RunThreads(4, [&](int thread) {
    cRegistry reg = this->At(this->Section());
    for (int round = 0; round < rounds; ++round) {
      reg.ValueKey(Numbered(u"v", thread * 100000 + round));
      reg.ValueType(REG_DWORD);
      reg.Value(Variant(round));
      if (reg.Value() != Variant(round)) this->problems_.Add("a thread did not read its write");
    }
  });
  cRegistry reg = this->At(this->Section());
  NameList names;
  std::int32_t count = 0;
  reg.EnumerateValues(names, count);
  EXPECT_EQ(count, 4 * rounds);
  if (this->hooks_) {
    EXPECT_EQ(this->hooks_->CountCalls(cregistry::Operation::kSetValue), 4 * rounds);
  }
}

}  // namespace
