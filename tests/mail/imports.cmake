# The DLLs a program imports, from its import table, and the names it holds:
# sealwright95 loads MAPI32 when its mail session opens (not at start-up) and
# looks up the seven calls by name; sealwrightnt has no MAPI at all.
cmake_policy(SET CMP0057 NEW)

function(imports program out)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${program}")
  endif()
  set(${out} "${dump}" PARENT_SCOPE)
endfunction()

imports(${PROGRAMNT} nt)
string(TOLOWER "${nt}" nt)
if(nt MATCHES "mapi")
  message(FATAL_ERROR "sealwrightnt imports MAPI")
endif()
imports(${PROGRAM95} with)
string(TOLOWER "${with}" with)
if(with MATCHES "dll name: mapi32.dll")
  message(FATAL_ERROR "sealwright95 imports MAPI32: Wine would load it at every start-up")
endif()
file(STRINGS ${PROGRAM95} names REGEX "^(MAPI32\\.DLL|MAPI[A-Za-z]+)$")
foreach(name MAPI32.DLL MAPILogon MAPIFindNext MAPIReadMail MAPIFreeBuffer MAPIDeleteMail MAPISendDocuments MAPILogoff)
  if(NOT name IN_LIST names)
    message(FATAL_ERROR "sealwright95 does not name ${name}")
  endif()
endforeach()
