// Secrets are wiped before their memory is released. Storage on the heap is
// watched through an allocator that keeps the bytes of every block it is
// given back; a short text kept inside its object is watched by placing the
// object in a buffer the test reads after the object is gone.
#include "fs/secret_text.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fs/file_system_object.h"

namespace vkt::fs {
namespace {

// What the allocator saw: how many blocks it gave, and the bytes of each block
// as it came back.
struct Heap {
  int allocations = 0;
  std::vector<std::string> released;
};

template <typename T>
struct WatchedAllocator {
  using value_type = T;
  explicit WatchedAllocator(Heap* h) : heap(h) {}
  template <typename U>
  WatchedAllocator(const WatchedAllocator<U>& other) : heap(other.heap) {}
  T* allocate(std::size_t n) {
    ++heap->allocations;
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) {
    heap->released.emplace_back(reinterpret_cast<const char*>(p), n * sizeof(T));
    std::allocator<T>().deallocate(p, n);
  }
  bool operator==(const WatchedAllocator& other) const { return heap == other.heap; }
  Heap* heap;
};

using Text = BasicSecretText<WatchedAllocator<char>>;

// Too long to be kept inside a string object: it lives on the heap.
const std::string kSecret = "Segredo-1, que ninguem deve ler depois";
const std::string kLonger = kSecret + " nem mesmo na memoria liberada";

bool AllZero(std::string_view bytes) { return bytes.find_first_not_of('\0') == bytes.npos; }

template <std::size_t N>
std::string_view Bytes(const unsigned char (&storage)[N]) {
  return {reinterpret_cast<const char*>(storage), N};
}

TEST(WipeText, ZeroesTheWholeStorageAndNotOnlyTheText) {
  Heap heap;
  {
    Text::String text(kSecret.data(), kSecret.size(), WatchedAllocator<char>(&heap));
    text.resize(3);  // the rest of the secret stays in the spare capacity
    WipeText(&text);
    EXPECT_TRUE(text.empty());
    EXPECT_GE(text.capacity(), kSecret.size());  // the storage is kept for reuse
  }
  ASSERT_EQ(heap.released.size(), 1u);
  EXPECT_GT(heap.released[0].size(), kSecret.size());
  EXPECT_TRUE(AllZero(heap.released[0]));
}

TEST(SecretText, EveryBlockItGivesBackIsWiped) {
  Heap heap;
  const WatchedAllocator<char> allocator(&heap);
  {
    Text text(kSecret, allocator);
    EXPECT_EQ(text.view(), kSecret);
    text.Assign(kLonger);  // outgrows its block, which goes back at once
    EXPECT_EQ(text.view(), kLonger);
    EXPECT_EQ(heap.released.size(), 1u);
    text.Assign("x");  // fits: the block stays, the old bytes do not
    EXPECT_EQ(text.view(), "x");
    text.Assign(kLonger);
    Text copy(text);
    EXPECT_EQ(copy.view(), kLonger);
    Text moved(std::move(copy));
    EXPECT_EQ(moved.view(), kLonger);
    moved = Text(kSecret, allocator);
    EXPECT_EQ(moved.view(), kSecret);
    text = moved;
    EXPECT_EQ(text.view(), kSecret);
    const Text& same = text;
    text = same;
    EXPECT_EQ(text.view(), kSecret);
    text.Assign(text.view().substr(10));  // a part of itself
    EXPECT_EQ(text.view(), kSecret.substr(10));
  }
  EXPECT_EQ(heap.released.size(), static_cast<std::size_t>(heap.allocations));
  for (const std::string& block : heap.released) EXPECT_TRUE(AllZero(block));
}

TEST(SecretText, ConcatBuildsItsTextInOneBlock) {
  Heap heap;
  {
    const std::string_view with_nul("a\0b", 3);
    const Text message =
        Text::Concat({"Erro LogonUser: ", "ana", ";", "CORP", ";", kSecret, with_nul, " - "},
                     WatchedAllocator<char>(&heap));
    EXPECT_EQ(message.view(),
              "Erro LogonUser: ana;CORP;" + kSecret + std::string(with_nul) + " - ");
    EXPECT_EQ(heap.allocations, 1);
  }
  ASSERT_EQ(heap.released.size(), 1u);
  EXPECT_TRUE(AllZero(heap.released[0]));
}

// The password is a short text kept inside the object: it is wiped with it.
TEST(FileSystemObject, WinPasswordIsWipedWhenReplacedAndWhenTheObjectGoes) {
  alignas(FileSystemObject) unsigned char storage[sizeof(FileSystemObject)] = {};
  auto* fso = new (storage) FileSystemObject;
  fso->WinPassword("Segredo-1");
  ASSERT_NE(Bytes(storage).find("Segredo-1"), std::string_view::npos) << "not kept inside";
  fso->WinPassword("x");
  EXPECT_EQ(fso->WinPassword(), "x");
  EXPECT_EQ(Bytes(storage).find("redo-1"), std::string_view::npos);
  fso->WinPassword("Outra-2");
  FileSystemObject copy(*fso);
  fso->~FileSystemObject();
  EXPECT_EQ(Bytes(storage).find("Outra-2"), std::string_view::npos);
  EXPECT_EQ(copy.WinPassword(), "Outra-2");
}

}  // namespace
}  // namespace vkt::fs
