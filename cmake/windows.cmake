# The Windows executable: logic plus the Win32 platform layer and resources.
enable_language(RC)

add_executable(launcher WIN32
  platform/win32/platform_win32.cpp
  resources/launcher.rc
)
# windres reads the icon itself; rebuild the resources when it changes.
set_source_files_properties(resources/launcher.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/launcher.ico)
target_link_libraries(launcher PRIVATE launcher_logic shell32)
target_link_options(launcher PRIVATE
  -static -mwindows -s
  # No link time stamp: two builds of one commit are byte-identical.
  -Wl,--no-insert-timestamp
  -Wl,--gc-sections
)
target_compile_options(launcher_ticket PRIVATE -ffunction-sections -fdata-sections)
target_compile_options(launcher_logic PRIVATE -ffunction-sections -fdata-sections)
target_compile_options(launcher PRIVATE -ffunction-sections -fdata-sections)

enable_testing()

# The shipped exe is the 32-bit one: check its bytes and that they are
# reproducible. (The 64-bit build is what runs under Wine.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_subdirectory(tests/pe)
  add_subdirectory(tests/reproducible)
endif()

# The end-to-end tests run the 64-bit build, the one Wine can run here.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_subdirectory(tests/e2e)
endif()
