// The contract of MpIOInterface, run over every implementation: MpIO, MpIOUnbuffered and
// MpIOProxy (on an MpIO target). What only one class does stays in that class's own tests.
#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "MpIO.h"
#include "MpIOProxy.h"
#include "Mpiounbuffered.h"
#include "TempDir.h"

namespace {

// An object of the class under test, opened on a file, with whatever it needs kept alive.
template <class T>
class Opened {
public:
    Opened(const std::string& path, unsigned uFlags) : m_file(path.c_str(), uFlags) {}
    MpIOInterface& operator*() { return m_file; }

private:
    T m_file;
};

template <>
class Opened<MpIOProxy> {
public:
    Opened(const std::string& path, unsigned uFlags) : m_target(path.c_str(), uFlags), m_proxy(m_target) {}
    MpIOInterface& operator*() { return m_proxy; }

private:
    MpIO m_target;
    MpIOProxy m_proxy;
};

template <class T>
class MpIOInterfaceContract : public ::testing::Test {
protected:
    TempDir m_dir;
};

using Implementations = ::testing::Types<MpIO, MpIOUnbuffered, MpIOProxy>;
TYPED_TEST_SUITE(MpIOInterfaceContract, Implementations);

}  // namespace

TYPED_TEST(MpIOInterfaceContract, SeeksPositionsAndPositionedTransfers) {
    std::string path = this->m_dir.Write("a.txt", "0123456789");
    Opened<TypeParam> opened(path, IO_READ | IO_WRITE);
    MpIOInterface& file = *opened;
    file.Seek64Absolute(4);
    file.Write("ab", 2);
    EXPECT_EQ(file.Tell64(), 6);
    EXPECT_EQ(file.Seek64FromCurrent(-1), 5);
    EXPECT_EQ(file.Seek64FromEnd(-2), 8);
    file.WriteTo(10, "XY", 2);
    EXPECT_EQ(file.Tell64(), 8);
    char bytes[4] = {};
    EXPECT_EQ(file.ReadFrom(9, bytes, 4, false), 3);
    EXPECT_EQ(std::string(bytes, 3), "9XY");
    EXPECT_EQ(file.Read(bytes, 4, false), 4);
    EXPECT_EQ(std::string(bytes, 4), "89XY");
    EXPECT_TRUE(file.GetIsEOF());
    file.Close();
    EXPECT_EQ(TempDir::Read(path), "0123ab6789XY");
}

// A clone works on the same file from the same position, and moves on its own.
TYPED_TEST(MpIOInterfaceContract, AClonePicksUpThePositionAndKeepsItsOwn) {
    std::string path = this->m_dir.Write("a.txt", "abcdef");
    Opened<TypeParam> opened(path, IO_READ);
    MpIOInterface& file = *opened;
    file.Seek64Absolute(2);
    std::unique_ptr<MpIOInterface> clone(file.Clone());
    EXPECT_EQ(clone->Tell64(), 2);
    char c;
    EXPECT_EQ(clone->Read(&c, 1, true), 1);
    EXPECT_EQ(c, 'c');
    EXPECT_EQ(file.Tell64(), 2);
}

TYPED_TEST(MpIOInterfaceContract, RandomReadsWritesAndSeeksMatchAPlainString) {
    std::string path = this->m_dir.File("model.bin");
    std::string model;
    std::mt19937 random(7);
    Opened<TypeParam> opened(path, IO_READ | IO_WRITE | IO_CREATE | IO_TRUNCATE);
    MpIOInterface& file = *opened;
    for (int step = 0; step < 3000; ++step) {
        nativeint llPosition = static_cast<nativeint>(random() % (model.size() + 1));
        int32_t lCount = static_cast<int32_t>(random() % (random() % 8 == 0 ? 20000 : 300));
        switch (random() % 5) {
            case 0: {  // write at the position
                std::string bytes(static_cast<size_t>(lCount), static_cast<char>('a' + step % 26));
                file.Seek64Absolute(llPosition);
                file.Write(bytes.data(), lCount);
                model.replace(static_cast<size_t>(llPosition), std::min(bytes.size(), model.size() - llPosition), bytes);
                ASSERT_EQ(file.Tell64(), llPosition + lCount);
                break;
            }
            case 1: {  // positioned write, the position stays
                std::string bytes(static_cast<size_t>(lCount), static_cast<char>('A' + step % 26));
                nativeint llBefore = file.Tell64();
                file.WriteTo(llPosition, bytes.data(), lCount);
                model.replace(static_cast<size_t>(llPosition), std::min(bytes.size(), model.size() - llPosition), bytes);
                ASSERT_EQ(file.Tell64(), llBefore);
                break;
            }
            case 2: {  // read at the position
                std::string bytes(static_cast<size_t>(lCount), '\0');
                file.Seek64Absolute(llPosition);
                int32_t lGot = file.Read(bytes.data(), lCount, false);
                ASSERT_EQ(bytes.substr(0, static_cast<size_t>(lGot)), model.substr(static_cast<size_t>(llPosition), static_cast<size_t>(lCount))) << step;
                break;
            }
            case 3: {  // positioned read
                std::string bytes(static_cast<size_t>(lCount), '\0');
                int32_t lGot = file.ReadFrom(llPosition, bytes.data(), lCount, false);
                ASSERT_EQ(bytes.substr(0, static_cast<size_t>(lGot)), model.substr(static_cast<size_t>(llPosition), static_cast<size_t>(lCount))) << step;
                break;
            }
            default:
                if (random() % 4 == 0) file.Flush();
                ASSERT_EQ(file.GetIsEOF(), file.Tell64() >= static_cast<nativeint>(model.size()));
        }
    }
    file.Close();
    EXPECT_EQ(TempDir::Read(path), model);
}
