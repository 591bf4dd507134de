# The Windows executable: the entry point, the logic, the Win32 platform layer
# and the resources.
enable_language(RC)

add_executable(launcher WIN32
  entry/winmain.cpp
  platform/win32/cxx_runtime.cpp
  platform/win32/platform_win32.cpp
  resources/launcher.rc
)
# windres reads the icon and the manifest itself; rebuild the resources when
# they change.
set_source_files_properties(resources/launcher.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/launcher.ico;${CMAKE_SOURCE_DIR}/resources/launcher.manifest")
target_link_libraries(launcher PRIVATE launcher_logic)
target_link_options(launcher PRIVATE
  -static -mwindows -s
  # No link time stamp: two builds of one commit are byte-identical.
  -Wl,--no-insert-timestamp
  -Wl,--gc-sections
)

# Nothing in the launcher throws or catches, and it runs on one thread. Built
# without exceptions, RTTI and thread-safe statics, and with
# platform/win32/cxx_runtime.cpp standing in for the library's throwing
# helpers, the exe carries none of the C++ run-time's unwinding, demangling
# and locale code. The host build keeps exceptions: the test fake needs them.
# launcher-mint links launcher_core too; its own code keeps exceptions, and
# the ticket code throws nothing of its own.
set(LAUNCHER_WINDOWS_CXX_OPTIONS
  -fno-exceptions -fno-rtti -fno-threadsafe-statics
  -ffunction-sections -fdata-sections
)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # 32-bit Windows unwinds structured exceptions along the stack's own frame
  # chain; the DWARF tables would serve C++ exceptions only. (64-bit Windows
  # needs its unwind tables for every function, so they stay.)
  list(APPEND LAUNCHER_WINDOWS_CXX_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()
target_compile_options(launcher_core PRIVATE ${LAUNCHER_WINDOWS_CXX_OPTIONS})
target_compile_options(launcher_logic PRIVATE ${LAUNCHER_WINDOWS_CXX_OPTIONS})
target_compile_options(launcher PRIVATE ${LAUNCHER_WINDOWS_CXX_OPTIONS})

# Signed after linking when the build is configured to sign (cmake/signing.cmake).
launcher_sign_target(launcher)

enable_testing()

# The shipped exe is the 32-bit one: check its bytes and that they are
# reproducible.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_subdirectory(tests/pe)
  add_subdirectory(tests/reproducible)
  add_subdirectory(tests/signing)
endif()

# Both builds run end to end under Wine: the 64-bit one natively, the shipped
# 32-bit one in Wine's WoW64 mode (wine32 under qemu-i386).
add_subdirectory(tests/e2e)
