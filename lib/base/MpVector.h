// The library's containers: thin layers over std::vector that allocate through
// MpAllocator (so failures raise MpMemoryException).
//
//   MpArrayPointerObject   base class for objects that pointer containers own and delete.
//   MpVector<T>            std::vector plus a base index and a range-tested access At().
//   MpPointerVector<T>     a vector of T* that OWNS the objects its non-null elements point to:
//                          erasing deletes them, copying deep-copies them through Clone().
//   MpSortedVector<T,...>  keeps its elements in ascending order by a Less predicate; lookup
//                          and insertion by binary search (lower bound).
#pragma once

#include <cstdint>
#include <vector>

#include "MpAlloc.h"
#include "MpException.h"

// The library's base class for objects that pointer containers own and delete. No fields,
// one virtual operation: the destructor.
class MpArrayPointerObject {
public:
    virtual ~MpArrayPointerObject();
};

// std::vector with MpAllocator plus:
//   - a virtual release hook Release() (no effect here) and a virtual destructor;
//   - a base index (signed 32-bit, 0 for every vector in use): At(i) addresses element i - base.
// All std::vector operations, including the untested operator[], stay available.
template <class T>
class MpVector : public std::vector<T, MpAllocator<T>> {
public:
    using Base = std::vector<T, MpAllocator<T>>;
    using typename Base::const_reference;
    using typename Base::reference;
    using typename Base::size_type;

    MpVector() : Base(), m_lBaseIndex(0) {}
    explicit MpVector(size_type n) : Base(n), m_lBaseIndex(0) {}
    MpVector(size_type n, const T& value) : Base(n, value), m_lBaseIndex(0) {}
    MpVector(std::initializer_list<T> values) : Base(values), m_lBaseIndex(0) {}
    MpVector(const MpVector& other) = default;
    MpVector& operator=(const MpVector& other) = default;

    // Virtual operations, in the library's slot order: the release hook (no effect for
    // MpVector; MpPointerVector deletes its objects here), then the destructor.
    virtual void Release() {}
    virtual ~MpVector() {}

    int32_t GetBaseIndex() const { return m_lBaseIndex; }
    void SetBaseIndex(int32_t lBaseIndex) { m_lBaseIndex = lBaseIndex; }

    // Number of elements as the library's signed 32-bit count.
    int32_t GetCount() const { return static_cast<int32_t>(this->size()); }

    // Range-tested access: the element at position lIndex - base index. Outside the range raises
    // MpException "Index %d out of range; array is from %d to %d" (lIndex, base index,
    // base index + count - 1) with class name "MpVector" and no call-path entry.
    reference At(int32_t lIndex) { return (*this)[CheckedPosition(lIndex)]; }
    const_reference At(int32_t lIndex) const { return (*this)[CheckedPosition(lIndex)]; }

protected:
    size_type CheckedPosition(int32_t lIndex) const {
        int64_t llPosition = static_cast<int64_t>(lIndex) - m_lBaseIndex;
        if (llPosition < 0 || static_cast<uint64_t>(llPosition) >= this->size()) {
            MpException::RaiseFormatted("Index %d out of range; array is from %d to %d", "MpVector",
                                        lIndex, m_lBaseIndex,
                                        static_cast<int32_t>(m_lBaseIndex + static_cast<int64_t>(this->size()) - 1));
        }
        return static_cast<size_type>(llPosition);
    }

private:
    int32_t m_lBaseIndex;
};

// A vector of T* (Base is MpVector<T*> or a class derived from it) that owns the objects its
// non-null elements point to.
//   - erase (one element or a range), pop_back and clear delete each non-null object first,
//     then remove the pointers;
//   - the destructor erases everything this way; an exception thrown by an element's destructor
//     is swallowed there and ends the release;
//   - copying is deep: the pointers are copied, then InplaceCopy() replaces each by Clone() of
//     its object (T needs a virtual destructor and a virtual Clone() returning a new heap copy);
//   - Release() deletes every object and sets its pointer to null, keeping the element count.
// Other shrinking operations of std::vector (resize, assign, insert over) do NOT delete.
template <class T, class Base = MpVector<T*>>
class MpPointerVector : public Base {
public:
    using typename Base::const_iterator;
    using typename Base::iterator;

    MpPointerVector() : Base() {}
    MpPointerVector(const MpPointerVector& other) : Base(other) {
        try {
            InplaceCopy();
        } catch (...) {
            DeleteObjects(this->begin(), this->end());
            Base::clear();
            throw;
        }
    }
    MpPointerVector& operator=(const MpPointerVector& other) {
        if (this != &other) {
            MpPointerVector copy(other);
            clear();
            Base::operator=(static_cast<const Base&>(copy));
            // The objects now belong to this vector; the copy must not delete them.
            for (auto& pointer : copy) pointer = nullptr;
        }
        return *this;
    }
    ~MpPointerVector() override {
        try {
            clear();
        } catch (...) {
        }
    }

    void Release() override {
        for (auto& pointer : *this) {
            T* pObject = pointer;
            pointer = nullptr;
            delete pObject;
        }
    }

    iterator erase(const_iterator position) {
        DeleteObjects(position, position + 1);
        return Base::erase(position);
    }
    iterator erase(const_iterator first, const_iterator last) {
        DeleteObjects(first, last);
        return Base::erase(first, last);
    }
    void pop_back() { erase(this->end() - 1); }
    void clear() { erase(this->begin(), this->end()); }

    // Replaces every (non-null) pointer, in order, by Clone() of its object. On failure the
    // pointers not yet replaced are set to null (so this vector never deletes objects it does
    // not own) and the exception passes on with "InplaceCopy()" of "MpPointerVector".
    void InplaceCopy() {
        auto it = this->begin();
        try {
            for (; it != this->end(); ++it) {
                if (*it != nullptr) *it = static_cast<T*>((*it)->Clone());
            }
        } catch (MpException& e) {
            for (; it != this->end(); ++it) *it = nullptr;
            e.AddCallpath("InplaceCopy()", "MpPointerVector");
            throw;
        } catch (...) {
            for (; it != this->end(); ++it) *it = nullptr;
            throw;
        }
    }

private:
    // Deletes the objects of [first, last), nulling each pointer before its object goes, so
    // that an object is never deleted twice even when a destructor throws.
    void DeleteObjects(const_iterator first, const_iterator last) {
        auto it = this->begin() + (first - this->cbegin());
        auto end = this->begin() + (last - this->cbegin());
        for (; it != end; ++it) {
            T* pObject = *it;
            *it = nullptr;
            delete pObject;
        }
    }
};

// True when the first element's object is less than the second's (T's operator<). For pointer
// elements the objects pointed to are compared.
template <class T>
struct MpPredicateLess {
    bool operator()(const T& a, const T& b) const { return a < b; }
    bool operator()(const T* a, const T* b) const { return *a < *b; }
};

// True when the two elements' objects are equal (T's operator==). For pointer elements the
// objects pointed to are compared.
template <class T>
struct MpPredicateEqual {
    bool operator()(const T& a, const T& b) const { return a == b; }
    bool operator()(const T* a, const T* b) const { return *a == *b; }
};

// Base (an MpVector<T>, an MpPointerVector, or another MpSortedVector) whose elements stand in
// ascending order according to Less. T is the element type (a pointer type for pointer bases).
// Keys are passed by pointer, as the library does; the reference forms are conveniences.
template <class T, class Base = MpVector<T>, class Less = MpPredicateLess<T>,
          class Equal = MpPredicateEqual<T>>
class MpSortedVector : public Base {
public:
    MpSortedVector() : Base() {}

    // Position (0-based, without the base index) of the first element that is not Less than
    // *pKey (lower bound). A null pKey raises "Null pointer passed to FindPosition"
    // (class "MpSortedVector").
    int32_t FindPosition(const T* pKey) const {
        if (pKey == nullptr) MpException::Raise("Null pointer passed to FindPosition", "MpSortedVector");
        return LowerBound(*pKey);
    }
    int32_t FindPosition(const T& key) const { return LowerBound(key); }

    // Lookup: the index (position + base index) of an element Equal to *pKey, or -1 when none.
    // Null pKey: as FindPosition.
    int32_t Find(const T* pKey) const {
        if (pKey == nullptr) MpException::Raise("Null pointer passed to FindPosition", "MpSortedVector");
        return Lookup(*pKey);
    }
    int32_t Find(const T& key) const { return Lookup(key); }

    // Inserts a copy of *pElement (for pointer bases: the pointer, whose object the vector then
    // owns) at its sorted position; returns its index (position + base index). A null pElement
    // raises "Null pointer passed to InsertElement" (class "MpSortedVector").
    int32_t InsertElement(const T* pElement) {
        if (pElement == nullptr) MpException::Raise("Null pointer passed to InsertElement", "MpSortedVector");
        return Insert(*pElement);
    }
    int32_t InsertElement(const T& element) { return Insert(element); }

    const Less& GetLess() const { return m_less; }
    const Equal& GetEqual() const { return m_equal; }

private:
    int32_t LowerBound(const T& key) const {
        int64_t llFirst = 0;
        int64_t llCount = static_cast<int64_t>(this->size());
        while (llCount > 0) {
            int64_t llHalf = llCount / 2;
            int64_t llMiddle = llFirst + llHalf;
            if (m_less((*this)[static_cast<size_t>(llMiddle)], key)) {
                llFirst = llMiddle + 1;
                llCount -= llHalf + 1;
            } else {
                llCount = llHalf;
            }
        }
        return static_cast<int32_t>(llFirst);
    }
    int32_t Lookup(const T& key) const {
        int32_t lPosition = LowerBound(key);
        if (static_cast<size_t>(lPosition) < this->size() && m_equal((*this)[static_cast<size_t>(lPosition)], key)) {
            return lPosition + this->GetBaseIndex();
        }
        return -1;
    }
    int32_t Insert(const T& element) {
        int32_t lPosition = LowerBound(element);
        this->insert(this->begin() + lPosition, element);
        return lPosition + this->GetBaseIndex();
    }

    Less m_less;
    Equal m_equal;
};
