#include <platform/named_shared_memory.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::NamedSharedMemory;

constexpr char kName[] = "4B-0000082E:{B0BA7E7B-3E64-4bf7-ADB8-0B6C9D528DF6}";
constexpr size_t kSize = 108;

std::array<uint8_t, kSize> filled(uint8_t value) {
  std::array<uint8_t, kSize> bytes;
  bytes.fill(value);
  return bytes;
}

std::array<uint8_t, kSize> contentOf(const NamedSharedMemory& memory) {
  std::array<uint8_t, kSize> bytes{};
  EXPECT_TRUE(memory.read(0, bytes.data(), bytes.size()));
  return bytes;
}

using NamedSharedMemoryTest = PlatformTest;

TEST_F(NamedSharedMemoryTest, TheCreatorsContentIsWhatLaterHandlesFind) {
  auto first = filled(0x5A);
  bool existed = true;
  auto creator = NamedSharedMemory::createOrOpen(kName, kSize, first.data(), &existed);
  ASSERT_NE(creator, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_EQ(creator->size(), kSize);

  // A later opener's size and content do not apply to a block that exists.
  auto other = filled(0x11);
  auto joiner = NamedSharedMemory::createOrOpen(kName, 4096, other.data(), &existed);
  ASSERT_NE(joiner, nullptr);
  EXPECT_TRUE(existed);
  EXPECT_EQ(joiner->size(), kSize);
  EXPECT_EQ(contentOf(*joiner), first);

  const uint8_t word[4] = {1, 2, 3, 4};
  ASSERT_TRUE(joiner->write(100, word, sizeof word));
  uint8_t seen[4] = {};
  ASSERT_TRUE(creator->read(100, seen, sizeof seen));
  EXPECT_EQ(std::memcmp(seen, word, sizeof word), 0);
  EXPECT_NE(NamedSharedMemory::openExisting(kName), nullptr);
}

TEST_F(NamedSharedMemoryTest, ANameNobodyHoldsStartsAfresh) {
  auto first = filled(0x5A);
  NamedSharedMemory::createOrOpen(kName, kSize, first.data()).reset();
  EXPECT_EQ(NamedSharedMemory::openExisting(kName), nullptr);

  bool existed = true;
  auto fresh = NamedSharedMemory::createOrOpen(kName, 16, nullptr, &existed);
  ASSERT_NE(fresh, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_EQ(fresh->size(), 16u);
  std::array<uint8_t, 16> bytes;
  bytes.fill(0xEE);
  ASSERT_TRUE(fresh->read(0, bytes.data(), bytes.size()));
  EXPECT_EQ(bytes, (std::array<uint8_t, 16>{}));
}

TEST_F(NamedSharedMemoryTest, RangesOutsideTheBlockAndEmptyBlocksAreRefused) {
  EXPECT_EQ(NamedSharedMemory::createOrOpen(kName, 0), nullptr);
  EXPECT_EQ(NamedSharedMemory::createOrOpen("", kSize), nullptr);
  auto memory = NamedSharedMemory::createOrOpen(kName, kSize);
  ASSERT_NE(memory, nullptr);
  uint8_t bytes[kSize + 1] = {};
  EXPECT_FALSE(memory->read(0, bytes, kSize + 1));
  EXPECT_FALSE(memory->read(kSize - 3, bytes, 4));
  EXPECT_FALSE(memory->write(SIZE_MAX, bytes, 2));
  EXPECT_FALSE(memory->write(0, nullptr, 1));
  EXPECT_TRUE(memory->read(kSize, bytes, 0));
  EXPECT_TRUE(memory->write(kSize - 4, bytes, 4));
}

// Whole writes through one handle are never seen half done through another.
TEST_F(NamedSharedMemoryTest, ReadersNeverSeeHalfAWrite) {
  auto writer = NamedSharedMemory::createOrOpen(kName, kSize);
  auto reader = NamedSharedMemory::openExisting(kName);
  ASSERT_NE(writer, nullptr);
  ASSERT_NE(reader, nullptr);
  std::atomic<bool> done{false};
  std::thread writing([&] {
    for (int round = 0; round < 3000; ++round) {
      auto bytes = filled(static_cast<uint8_t>(round & 1 ? 0xAA : 0x55));
      writer->write(0, bytes.data(), bytes.size());
    }
    done = true;
  });
  int torn = 0;
  while (!done) {
    auto bytes = contentOf(*reader);
    for (uint8_t b : bytes) torn += b != bytes[0];
  }
  writing.join();
  EXPECT_EQ(torn, 0);
}

// The block lives while any process holds it, and goes with the last one.
TEST_F(NamedSharedMemoryTest, AnotherProcessSharesTheBlockUntilItsLastHolderEnds) {
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto content = filled(0x42);
    auto memory = NamedSharedMemory::createOrOpen(kName, kSize, content.data());
    char ready = memory ? 'y' : 'n';
    if (write(toParent[1], &ready, 1) != 1) _exit(2);
    char go;
    if (read(toChild[0], &go, 1) != 1) _exit(3);
    _exit(0);  // the handle ends with the process
  }
  char ready = 0;
  ASSERT_EQ(read(toParent[0], &ready, 1), 1);
  ASSERT_EQ(ready, 'y');

  auto seen = NamedSharedMemory::openExisting(kName);
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(contentOf(*seen), filled(0x42));
  seen.reset();

  char go = 'g';
  ASSERT_EQ(write(toChild[1], &go, 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(NamedSharedMemory::openExisting(kName), nullptr);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
}

TEST_F(NamedSharedMemoryTest, TheLastHolderRemovesTheBlockAndAbandonedBlocksAreSwept) {
  auto objectFiles = [this] {
    size_t count = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(path("runtime/objects"), ec);
         it != std::filesystem::directory_iterator(); ++it)
      ++count;
    return count;
  };
  auto first = NamedSharedMemory::createOrOpen(kName, kSize);
  auto second = NamedSharedMemory::openExisting(kName);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(objectFiles(), 1u);
  first.reset();
  EXPECT_EQ(objectFiles(), 1u);
  EXPECT_EQ(contentOf(*second), filled(0));
  second.reset();
  EXPECT_EQ(objectFiles(), 0u);

  // A holder killed before it closed leaves its block's file; the sweep
  // removes it and leaves a held block alone.
  auto held = NamedSharedMemory::createOrOpen("held", kSize);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto memory = NamedSharedMemory::createOrOpen("FsasmLib:IPC:1A2B:1", kSize);
    _exit(memory ? 0 : 1);  // no destructor runs, as with a kill
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(objectFiles(), 2u);
  NamedSharedMemory::removeAbandoned();
  EXPECT_EQ(objectFiles(), 1u);
  EXPECT_NE(NamedSharedMemory::openExisting("held"), nullptr);
  EXPECT_EQ(NamedSharedMemory::openExisting("FsasmLib:IPC:1A2B:1"), nullptr);
}

}  // namespace
}  // namespace platform_test
