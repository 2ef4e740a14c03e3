// CObject and its run-time class records.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

class CObject;
class CArchive;

// What the framework knows of a class at run time: its name, its schema,
// its base and, for classes that allow it, how to make one.
struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

  // A new default-constructed object; null when the class has no factory.
  CObject* CreateObject() const;
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() {}
  virtual void Serialize(CArchive& ar);

  BOOL IsKindOf(const CRuntimeClass* cls) const;

  // Every framework object comes from here, so that running out of memory
  // raises CMemoryException as the framework promises.
  static void* operator new(std::size_t size);
  static void operator delete(void* p) noexcept;

  static const CRuntimeClass classCObject;

 protected:
  CObject() {}
  // Records are not copied; only the exceptions, raised by value, copy.
  CObject(const CObject&) {}
  CObject& operator=(const CObject&) { return *this; }
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_DYNAMIC(name)                              \
 public:                                                   \
  static const CRuntimeClass class##name;                  \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(name) \
  DECLARE_DYNAMIC(name)         \
  static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS(name, base, schema, factory)                                      \
  const CRuntimeClass name::class##name = {#name, static_cast<int>(sizeof(name)), schema, factory, \
                                           RUNTIME_CLASS(base)};                                   \
  const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }

#define IMPLEMENT_DYNAMIC(name, base) IMPLEMENT_RUNTIMECLASS(name, base, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(name, base)                      \
  CObject* name::CreateObject() { return new name; }         \
  IMPLEMENT_RUNTIMECLASS(name, base, 0xFFFF, name::CreateObject)
