// The framework's exceptions. The program raises none of its own and
// catches none; they end the program as the framework would.
#pragma once

#include "framework/object.h"

class CException : public CObject {
  DECLARE_DYNAMIC(CException)
};

class CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)
};

class CInvalidArgException : public CException {
  DECLARE_DYNAMIC(CInvalidArgException)
};

// Raised by value, so that nothing is allocated while memory is short.
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowInvalidArgException();
