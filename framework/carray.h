// CArray: the framework's growable array. Reading outside it is refused
// with CInvalidArgException before anything is touched.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "framework/exceptions.h"
#include "framework/object.h"

// Holds plain values (pointers, numbers); elements are copied bytewise.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
  static_assert(std::is_trivially_copyable<TYPE>::value, "CArray holds plain values");

 public:
  CArray() {}
  ~CArray() override { std::free(m_pData); }

  INT_PTR GetSize() const { return m_nSize; }
  INT_PTR GetCount() const { return m_nSize; }
  bool IsEmpty() const { return m_nSize == 0; }

  const TYPE& GetAt(INT_PTR index) const {
    Check(index);
    return m_pData[index];
  }
  TYPE& ElementAt(INT_PTR index) {
    Check(index);
    return m_pData[index];
  }
  void SetAt(INT_PTR index, ARG_TYPE element) {
    Check(index);
    m_pData[index] = element;
  }
  const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
  TYPE& operator[](INT_PTR index) { return ElementAt(index); }

  // Appends one element; returns its index. The array is unchanged when
  // memory runs out (CMemoryException).
  INT_PTR Add(ARG_TYPE element) {
    TYPE copy = element;  // element may live in this array
    Reserve(m_nSize + 1);
    m_pData[m_nSize] = copy;
    return m_nSize++;
  }

  // Drops every element and frees the storage.
  void RemoveAll() {
    std::free(m_pData);
    m_pData = nullptr;
    m_nSize = 0;
    m_nMaxSize = 0;
  }

 private:
  void Check(INT_PTR index) const {
    if (index < 0 || index >= m_nSize) AfxThrowInvalidArgException();
  }

  // Grows by half again (at least 4) so that appending stays cheap.
  void Reserve(INT_PTR needed) {
    if (needed <= m_nMaxSize) return;
    INT_PTR grown = m_nMaxSize + m_nMaxSize / 2;
    if (grown < 4) grown = 4;
    if (grown < needed) grown = needed;
    if (static_cast<std::size_t>(grown) > static_cast<std::size_t>(-1) / sizeof(TYPE)) AfxThrowMemoryException();
    void* p = std::realloc(m_pData, static_cast<std::size_t>(grown) * sizeof(TYPE));
    if (p == nullptr) AfxThrowMemoryException();
    m_pData = static_cast<TYPE*>(p);
    m_nMaxSize = grown;
  }

  TYPE* m_pData = nullptr;
  INT_PTR m_nSize = 0;
  INT_PTR m_nMaxSize = 0;
};
