#include "framework/exceptions.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CException)

void AfxThrowMemoryException() { throw CMemoryException(); }

void AfxThrowInvalidArgException() { throw CInvalidArgException(); }
