// The small class framework that the program is written against: only the
// classes and members that the program uses, each as small as it can be.
#pragma once

#include "framework/object.h"
#include "framework/exceptions.h"
#include "framework/cstring.h"
#include "framework/carray.h"
#include "framework/msgbox.h"
