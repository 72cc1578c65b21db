# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) once the bundle's programs are staged
# and stripped: their mitigations are read back (check_mitigations.py; a miss
# fails the bundle), then each gets an Authenticode signature, SHA-256, by
# osslsigncode.
#
# A release names its code-signing certificate and key, PEM files, in the
# environment: VX_SIGNING_CERT (the certificate, with its chain after it) and
# VX_SIGNING_KEY; VX_SIGNING_KEY_PASSWORD_FILE holds the key's password if it
# has one, and VX_SIGNING_TIMESTAMP_URL names a timestamp server. Without them
# a throwaway self-signed certificate, made anew in <build>/signing, signs, so
# that this path runs on every build. Such a bundle is for tests only.
if(NOT CPACK_VX_OSSLSIGNCODE)
  message(FATAL_ERROR "cannot sign the bundle: osslsigncode not found (tools/setup.sh installs it)")
endif()
if(DEFINED ENV{VX_SIGNING_CERT} OR DEFINED ENV{VX_SIGNING_KEY})
  if(NOT EXISTS "$ENV{VX_SIGNING_CERT}" OR NOT EXISTS "$ENV{VX_SIGNING_KEY}")
    message(FATAL_ERROR "VX_SIGNING_CERT and VX_SIGNING_KEY must both name existing files")
  endif()
  set(cert "$ENV{VX_SIGNING_CERT}")
  set(key "$ENV{VX_SIGNING_KEY}")
else()
  set(cert ${CPACK_VX_SIGNING_DIR}/throwaway-cert.pem)
  set(key ${CPACK_VX_SIGNING_DIR}/throwaway-key.pem)
  file(MAKE_DIRECTORY ${CPACK_VX_SIGNING_DIR})
  execute_process(COMMAND ${CPACK_VX_OPENSSL} req -x509 -newkey rsa:3072 -nodes -days 30
                          -subj "/CN=ElevatedTasks throwaway test signing"
                          -addext extendedKeyUsage=codeSigning -keyout ${key} -out ${cert}
                  OUTPUT_QUIET ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
  message(STATUS "Signing with a throwaway certificate: ${cert}")
endif()
set(options -h sha256 -n ElevatedTasks -certs ${cert} -key ${key})
if(DEFINED ENV{VX_SIGNING_KEY_PASSWORD_FILE})
  list(APPEND options -readpass "$ENV{VX_SIGNING_KEY_PASSWORD_FILE}")
endif()
if(DEFINED ENV{VX_SIGNING_TIMESTAMP_URL})
  list(APPEND options -ts "$ENV{VX_SIGNING_TIMESTAMP_URL}")
endif()
file(GLOB_RECURSE programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe)
if(NOT programs)
  message(FATAL_ERROR "no program to sign in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
execute_process(COMMAND ${CPACK_VX_CHECK_MITIGATIONS} ${programs} COMMAND_ERROR_IS_FATAL ANY)
foreach(program ${programs})
  file(REMOVE ${program}.signed)
  execute_process(COMMAND ${CPACK_VX_OSSLSIGNCODE} sign ${options} -in ${program}
                          -out ${program}.signed OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(RENAME ${program}.signed ${program})
endforeach()
