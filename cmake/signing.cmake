# Authenticode signing of the Windows executables, for a deployment:
#
#   cmake --preset win32 -DLAUNCHER_SIGNING_PFX=signer.pfx -DLAUNCHER_SIGNING_PASSWORD_FILE=pfx-password.txt \
#         [-DLAUNCHER_SIGNING_TIMESTAMP_URL=http://timestamp.example]
#
# Each target passed to launcher_sign_target() is signed with osslsigncode
# (SHA-256) right after it is linked. The password is read by osslsigncode
# from its file, so it is on no command line and in no build file. Without
# these settings nothing is signed and the build is byte for byte as before.
#
# Run with -P, this file is also the signing step itself (see the end).

if(NOT CMAKE_SCRIPT_MODE_FILE)

set(LAUNCHER_SIGNING_PFX "" CACHE FILEPATH
    "PKCS#12 file with the code-signing certificate and key; empty: the executables are not signed")
set(LAUNCHER_SIGNING_PASSWORD_FILE "" CACHE FILEPATH
    "File holding only the password of LAUNCHER_SIGNING_PFX (a final line break does not count)")
set(LAUNCHER_SIGNING_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamping server for the signatures; empty: no time stamp")

set(launcher_signing OFF)
if(NOT "${LAUNCHER_SIGNING_PFX}${LAUNCHER_SIGNING_PASSWORD_FILE}${LAUNCHER_SIGNING_TIMESTAMP_URL}" STREQUAL "")
  set(launcher_signing ON)
  if(NOT WIN32)
    message(FATAL_ERROR "Signing (LAUNCHER_SIGNING_*) is for the Windows presets win32 and win64 only")
  endif()
  foreach(setting LAUNCHER_SIGNING_PFX LAUNCHER_SIGNING_PASSWORD_FILE)
    if("${${setting}}" STREQUAL "")
      message(FATAL_ERROR "Signing needs both LAUNCHER_SIGNING_PFX and LAUNCHER_SIGNING_PASSWORD_FILE; "
                          "${setting} is not set")
    endif()
    if(NOT EXISTS "${${setting}}")
      message(FATAL_ERROR "${setting}: no such file: ${${setting}}")
    elseif(IS_DIRECTORY "${${setting}}")
      message(FATAL_ERROR "${setting}: a folder, not a file: ${${setting}}")
    endif()
  endforeach()
  # The URL lands on osslsigncode's command line.
  if(NOT LAUNCHER_SIGNING_TIMESTAMP_URL STREQUAL "" AND NOT LAUNCHER_SIGNING_TIMESTAMP_URL MATCHES "^https?://[^ \t\"';]+$")
    message(FATAL_ERROR "LAUNCHER_SIGNING_TIMESTAMP_URL must be an http:// or https:// URL, "
                        "not '${LAUNCHER_SIGNING_TIMESTAMP_URL}'")
  endif()
  find_program(LAUNCHER_OSSLSIGNCODE osslsigncode)
  if(NOT LAUNCHER_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode (scripts/install-deps installs it)")
  endif()
  message(STATUS "Signing the Windows executables with ${LAUNCHER_SIGNING_PFX}")
endif()

# Signs the target's output after every link when the build signs; otherwise
# leaves the target as it is. Changed settings change the link rule, so the
# exe is linked and signed (or left unsigned) anew; a new certificate or
# password in the same files does so through LINK_DEPENDS.
function(launcher_sign_target target)
  if(NOT launcher_signing)
    return()
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
               ${LAUNCHER_SIGNING_PFX} ${LAUNCHER_SIGNING_PASSWORD_FILE})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
            -DOSSLSIGNCODE=${LAUNCHER_OSSLSIGNCODE}
            -DPFX=${LAUNCHER_SIGNING_PFX}
            -DPASSWORD_FILE=${LAUNCHER_SIGNING_PASSWORD_FILE}
            -DTIMESTAMP_URL=${LAUNCHER_SIGNING_TIMESTAMP_URL}
            -DFILE=$<TARGET_FILE:${target}>
            -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
endfunction()

return()
endif()

# The signing step: signs FILE into a new file and puts it in FILE's place.
# When signing fails, FILE is removed, so that no unsigned exe is left where
# the build promised a signed one, and the next build links and signs again.
set(command ${OSSLSIGNCODE} sign -pkcs12 ${PFX} -readpass ${PASSWORD_FILE} -h sha256)
if(NOT TIMESTAMP_URL STREQUAL "")
  list(APPEND command -ts ${TIMESTAMP_URL})
endif()
file(REMOVE ${FILE}.signed)
execute_process(COMMAND ${command} -in ${FILE} -out ${FILE}.signed
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${FILE}.signed)
  file(REMOVE ${FILE} ${FILE}.signed)
  message(FATAL_ERROR "Signing ${FILE} failed (osslsigncode exit ${result}); the file was removed:\n${output}")
endif()
file(RENAME ${FILE}.signed ${FILE})
