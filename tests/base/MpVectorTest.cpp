// MpVector, MpPointerVector, MpSortedVector and the predicates.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MpAlloc.h"
#include "MpException.h"
#include "MpString.h"
#include "MpVector.h"

namespace {

// An element that counts its live instances and can be made to fail its Clone().
class Counted : public MpArrayPointerObject {
public:
    explicit Counted(int value) : value_(value) { ++live; }
    Counted(const Counted& other) : MpArrayPointerObject(), value_(other.value_) { ++live; }
    ~Counted() override { --live; }
    virtual Counted* Clone() const {
        if (value_ == failClone) MpException::Raise("clone failed", "Counted");
        return new Counted(*this);
    }
    bool operator<(const Counted& other) const { return value_ < other.value_; }
    bool operator==(const Counted& other) const { return value_ == other.value_; }
    int value_;
    static int live;
    static int failClone;
};
int Counted::live = 0;
int Counted::failClone = -1;

class CountedTest : public ::testing::Test {
protected:
    void SetUp() override {
        Counted::live = 0;
        Counted::failClone = -1;
    }
    void TearDown() override { EXPECT_EQ(0, Counted::live) << "every object is deleted"; }
};

std::string RangeMessage(const MpException& e) { return e.GetErrorMessage(); }

}  // namespace

TEST(MpVector, RangeTestedAccess) {
    MpVector<int16_t> v;
    v.push_back(5);
    v.push_back(6);
    v.push_back(7);
    EXPECT_EQ(0, v.GetBaseIndex());
    EXPECT_EQ(3, v.GetCount());
    EXPECT_EQ(7, v.At(2));
    v.At(1) = 9;
    EXPECT_EQ(9, v[1]);
    try {
        v.At(3);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_EQ("Index 3 out of range; array is from 0 to 2", RangeMessage(e));
        EXPECT_STREQ("MpVector", e.GetClassName());
        EXPECT_STREQ("", e.GetCallpath());
    }
    try {
        v.At(-1);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_EQ("Index -1 out of range; array is from 0 to 2", RangeMessage(e));
    }
}

TEST(MpVector, EmptyVectorPrintsUpperBoundMinusOne) {
    const MpVector<int32_t> v;
    try {
        v.At(0);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_EQ("Index 0 out of range; array is from 0 to -1", RangeMessage(e));
    }
}

TEST(MpVector, BaseIndexShiftsTheAccess) {
    MpVector<int32_t> v{10, 20, 30};
    v.SetBaseIndex(1);
    EXPECT_EQ(10, v.At(1));
    EXPECT_EQ(30, v.At(3));
    try {
        v.At(0);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_EQ("Index 0 out of range; array is from 1 to 3", RangeMessage(e));
    }
    MpVector<int32_t> copy(v);
    EXPECT_EQ(1, copy.GetBaseIndex());
}

TEST(MpVector, BoolVectorWorks) {
    MpVector<bool> flags(3, false);
    flags.At(1) = true;
    EXPECT_TRUE(flags.At(1));
    EXPECT_FALSE(flags.At(2));
    EXPECT_THROW(flags.At(3), MpException);
}

TEST(MpVector, VectorOfStringsAndVectorsCopyDeeply) {
    MpVector<MpVector<MpString>> blocks(2);
    blocks.At(0).push_back(MpString("; comment"));
    MpVector<MpVector<MpString>> copy(blocks);
    copy.At(0).At(0).Append(" changed");
    EXPECT_STREQ("; comment", blocks.At(0).At(0).GetCString());
    EXPECT_STREQ("; comment changed", copy.At(0).At(0).GetCString());
}

TEST_F(CountedTest, PointerVectorEraseDeletesTheObject) {
    MpPointerVector<Counted> v;
    v.push_back(new Counted(1));
    v.push_back(nullptr);
    v.push_back(new Counted(3));
    EXPECT_EQ(2, Counted::live);
    v.erase(v.begin());
    EXPECT_EQ(1, Counted::live);
    ASSERT_EQ(2u, v.size());
    v.erase(v.begin());  // a null element is only removed
    EXPECT_EQ(1, Counted::live);
    ASSERT_EQ(1u, v.size());
    EXPECT_EQ(3, v.At(0)->value_);
}

TEST_F(CountedTest, PointerVectorEraseRangeClearAndDestructor) {
    {
        MpPointerVector<Counted> v;
        for (int i = 0; i < 5; ++i) v.push_back(new Counted(i));
        v.erase(v.begin() + 1, v.begin() + 3);
        EXPECT_EQ(3, Counted::live);
        EXPECT_EQ(3, v.At(1)->value_);
        v.pop_back();
        EXPECT_EQ(2, Counted::live);
        v.clear();
        EXPECT_EQ(0, Counted::live);
        v.push_back(new Counted(9));
    }
    EXPECT_EQ(0, Counted::live) << "the destructor deletes what is left";
}

TEST_F(CountedTest, PointerVectorCopyIsDeep) {
    MpPointerVector<Counted> v;
    v.push_back(new Counted(1));
    v.push_back(new Counted(2));
    MpPointerVector<Counted> copy(v);
    EXPECT_EQ(4, Counted::live);
    ASSERT_EQ(2u, copy.size());
    EXPECT_NE(v[0], copy[0]);
    EXPECT_EQ(2, copy.At(1)->value_);
    copy.At(0)->value_ = 100;
    EXPECT_EQ(1, v.At(0)->value_);

    MpPointerVector<Counted> assigned;
    assigned.push_back(new Counted(7));
    assigned = v;
    EXPECT_EQ(6, Counted::live);
    EXPECT_EQ(1, assigned.At(0)->value_);
    EXPECT_NE(v[1], assigned[1]);
}

TEST_F(CountedTest, FailedCloneAddsInplaceCopyAndLeaksNothing) {
    MpPointerVector<Counted> v;
    v.push_back(new Counted(1));
    v.push_back(new Counted(2));
    v.push_back(new Counted(3));
    Counted::failClone = 2;
    try {
        MpPointerVector<Counted> copy(v);
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("clone failed", e.GetErrorMessage());
        EXPECT_STREQ("InplaceCopy() of MpPointerVector", e.GetCallpath());
    }
    EXPECT_EQ(3, Counted::live) << "the clone made before the failure is deleted, the originals stay";
    EXPECT_EQ(2, v.At(1)->value_);
}

TEST_F(CountedTest, ReleaseDeletesObjectsAndKeepsTheCount) {
    MpPointerVector<Counted> v;
    v.push_back(new Counted(1));
    v.push_back(new Counted(2));
    v.Release();
    EXPECT_EQ(0, Counted::live);
    ASSERT_EQ(2u, v.size());
    EXPECT_EQ(nullptr, v[0]);
}

TEST(MpPointerVector, HoldsStringsAsTheTokenizerDoes) {
    MpPointerVector<MpString, MpVector<MpString*>> tokens;
    tokens.push_back(new MpString("x"));
    tokens.push_back(new MpString("b,c"));
    MpPointerVector<MpString, MpVector<MpString*>> copy(tokens);
    EXPECT_STREQ("b,c", copy.At(1)->GetCString());
    EXPECT_EQ(64u, copy.At(1)->GetCapacity());
    EXPECT_THROW(copy.At(2), MpException);
}

TEST(MpSortedVector, LookupAndInsertionOnValues) {
    MpSortedVector<int32_t> v;
    int32_t key = 5;
    EXPECT_EQ(-1, v.Find(&key)) << "nothing is found in an empty vector";
    EXPECT_EQ(0, v.FindPosition(&key));
    EXPECT_EQ(0, v.InsertElement(&key));
    ASSERT_EQ(1u, v.size());
    for (int32_t value : {9, 1, 5, 7, 3}) v.InsertElement(value);
    EXPECT_EQ((std::vector<int32_t>{1, 3, 5, 5, 7, 9}), std::vector<int32_t>(v.begin(), v.end()));
    EXPECT_EQ(2, v.Find(5)) << "the first of equal elements (lower bound)";
    EXPECT_EQ(-1, v.Find(4));
    EXPECT_EQ(2, v.FindPosition(4));
    int32_t big = 100;
    EXPECT_EQ(-1, v.Find(&big)) << "a key greater than all is not found";
    EXPECT_EQ(6, v.FindPosition(&big));
    EXPECT_EQ(6, v.InsertElement(&big)) << "and is inserted at the end";
    EXPECT_EQ(100, v.back());
    EXPECT_EQ(0, v.InsertElement(-3));
}

TEST(MpSortedVector, PositionSearchAgreesWithLowerBoundForEverySize) {
    for (int32_t count = 0; count < 40; ++count) {
        MpSortedVector<int32_t> v;
        for (int32_t i = 0; i < count; ++i) v.push_back(2 * i);
        for (int32_t key = -1; key <= 2 * count; ++key) {
            int32_t expected = (key + 1) / 2;
            if (key < 0) expected = 0;
            ASSERT_EQ(expected, v.FindPosition(key)) << "count " << count << " key " << key;
            ASSERT_EQ(key >= 0 && key % 2 == 0 && key < 2 * count ? key / 2 : -1, v.Find(key))
                << "count " << count << " key " << key;
        }
    }
}

TEST(MpSortedVector, NullKeysAreRefused) {
    MpSortedVector<int32_t> v;
    try {
        v.FindPosition(static_cast<const int32_t*>(nullptr));
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Null pointer passed to FindPosition", e.GetErrorMessage());
        EXPECT_STREQ("MpSortedVector", e.GetClassName());
    }
    try {
        v.InsertElement(static_cast<const int32_t*>(nullptr));
        FAIL() << "no exception";
    } catch (MpException& e) {
        EXPECT_STREQ("Null pointer passed to InsertElement", e.GetErrorMessage());
        EXPECT_STREQ("MpSortedVector", e.GetClassName());
    }
}

TEST_F(CountedTest, SortedPointerVectorComparesTheObjects) {
    using Sorted = MpSortedVector<Counted*, MpPointerVector<Counted>, MpPredicateLess<Counted>,
                                  MpPredicateEqual<Counted>>;
    {
        Sorted v;
        for (int value : {30, 10, 20}) {
            Counted* p = new Counted(value);
            v.InsertElement(&p);
        }
        EXPECT_EQ(10, v.At(0)->value_);
        EXPECT_EQ(20, v.At(1)->value_);
        EXPECT_EQ(30, v.At(2)->value_);
        Counted probe(20);
        Counted* pProbe = &probe;
        EXPECT_EQ(1, v.Find(&pProbe));
        Counted missing(25);
        Counted* pMissing = &missing;
        EXPECT_EQ(-1, v.Find(pMissing));
        EXPECT_EQ(2, v.FindPosition(pMissing));
        v.erase(v.begin() + 1);
        EXPECT_EQ(4, Counted::live);  // two owned, two probes
    }
    EXPECT_EQ(0, Counted::live);
}

TEST(MpPredicates, CompareValuesAndPointedObjects) {
    MpPredicateLess<MpString> less;
    MpPredicateEqual<MpString> equal;
    MpString a("a"), b("b");
    EXPECT_TRUE(less(a, b));
    EXPECT_FALSE(less(b, a));
    EXPECT_TRUE(less(&a, &b));
    EXPECT_TRUE(equal(a, MpString("a")));
    MpString a2("a");
    EXPECT_TRUE(equal(&a, &a2));
    EXPECT_FALSE(equal(&a, &b));
}

TEST(MpVector, AllocationFailureRaisesMemoryException) {
    MpVector<int32_t> v;
    MpAllocationFailureScope failBig(1000);
    try {
        v.resize(1000);
        FAIL() << "no exception";
    } catch (MpMemoryException& e) {
        EXPECT_STREQ("Out of memory - tried to allocate 4000 bytes.", e.GetErrorMessage());
    }
}
