// The few C++ run-time services the Windows build needs, without exceptions.
//
// The Windows build is compiled with -fno-exceptions. The standard library
// still reaches for its throwing helpers where it would throw (an allocation
// that fails, a string grown past its maximum size), and its own copies of
// those helpers, of operator new and of std::string's members are built with
// exceptions: linking them drags in the unwinder, the exception classes, the
// verbose terminate handler and its demangler, several times the size of the
// launcher itself. The definitions below take their place and end the run
// through the fatal-error report instead of unwinding; none of these paths
// is reached by a launcher run short of the machine running out of memory.
#include <cstdlib>
#include <new>
#include <string>

#include "platform/platform.h"

namespace {

const char* const OutOfMemory = "Out of memory.";

}  // namespace

// std::string's members, instantiated here and so compiled without
// exceptions, instead of the library's prebuilt copies.
template class std::basic_string<char>;

void* operator new(std::size_t size)
{
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    platform::ReportFatalErrorAndExit(OutOfMemory);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace std {

void __throw_bad_alloc()
{
    platform::ReportFatalErrorAndExit(OutOfMemory);
}

void __throw_bad_array_new_length()
{
    platform::ReportFatalErrorAndExit(OutOfMemory);
}

void __throw_length_error(const char* what)
{
    platform::ReportFatalErrorAndExit(what);
}

void __throw_logic_error(const char* what)
{
    platform::ReportFatalErrorAndExit(what);
}

void __throw_out_of_range(const char* what)
{
    platform::ReportFatalErrorAndExit(what);
}

// The format's arguments are left out: the message names the failed check,
// which is all a report of a programming error needs.
void __throw_out_of_range_fmt(const char* format, ...)
{
    platform::ReportFatalErrorAndExit(format);
}

}  // namespace std
