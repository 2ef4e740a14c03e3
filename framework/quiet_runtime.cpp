// Two parts of the C++ runtime, in the small form these programs need,
// linked into each program directly, ahead of the runtime's library, so that
// these are the definitions the runtime finds and its own stay out:
//  - the end of an exception that escapes everything: stop at once. The
//    runtime's handler prints the exception's name and so brings its name
//    demangler (some 45 KB); the programs catch what they raise, and the
//    window has no console to print to.
//  - the errors the standard library raises (a length beyond the largest,
//    an index out of range): the runtime raises them as std::logic_error
//    and the like, whose message strings are of the older std::string, so
//    that a program of today's carries both kinds (some 45 KB). Here they
//    are one small exception that keeps its message as it was given.
//  - a call of a pure or deleted virtual function (a fault of ours): stop
//    at once, rather than have the runtime write to a console there is none
//    of (clang's vtables name these, and the runtime's brought _write).
// Every function of the runtime's files of them is here, so that those are
// never linked beside these.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError : public std::exception {
 public:
  explicit LibraryError(const char* what) : m_what(what != nullptr ? what : "library error") {}
  const char* what() const noexcept override { return m_what; }

 private:
  const char* m_what;  // the library passes texts that live as long as the program
};

}  // namespace

extern "C" void __cxa_pure_virtual() { std::abort(); }
extern "C" void __cxa_deleted_virtual() { std::abort(); }

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* what) { throw LibraryError(what); }
void __throw_domain_error(const char* what) { throw LibraryError(what); }
void __throw_invalid_argument(const char* what) { throw LibraryError(what); }
void __throw_length_error(const char* what) { throw LibraryError(what); }
void __throw_out_of_range(const char* what) { throw LibraryError(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* what) { throw LibraryError(what); }
void __throw_range_error(const char* what) { throw LibraryError(what); }
void __throw_overflow_error(const char* what) { throw LibraryError(what); }
void __throw_underflow_error(const char* what) { throw LibraryError(what); }
}  // namespace std
