# Makes the MSI from its WiX source: wixl builds it, then msibuild marks each recording's
# component NeverOverwrite, which wixl cannot write. A recording already in the folder, such as
# one a teacher put in place of ours, is then never overwritten by an install or an upgrade,
# whatever its dates or length (Windows Installer's own rule for files without a version goes
# by their dates, and a copied file can look older than it is; Wine's by length and hash).
# Run in the program's folder, where wixl finds the files:
#   cmake -DWIXL=<wixl> -DMSIBUILD=<msibuild> -DWXS=<source> -DMSI=<output> -P make_msi.cmake
foreach(variable WIXL MSIBUILD WXS MSI)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "make_msi.cmake needs -D${variable}=...")
  endif()
endforeach()

execute_process(COMMAND "${WIXL}" -a x64 -o "${MSI}" "${WXS}" COMMAND_ERROR_IS_FATAL ANY)

file(READ "${WXS}" source)
string(REGEX MATCHALL "<Component Id=\"Recording[0-9]+\"" components "${source}")
if(NOT components)
  message(FATAL_ERROR "no recordings' components in ${WXS}")
endif()
set(queries)
foreach(component IN LISTS components)
  string(REGEX REPLACE ".*\"(Recording[0-9]+)\"" "\\1" id "${component}")
  # 64-bit (256) and NeverOverwrite (128).
  list(APPEND queries -q "UPDATE `Component` SET `Attributes` = 384 WHERE `Component` = '${id}'")
endforeach()
execute_process(COMMAND "${MSIBUILD}" "${MSI}" ${queries} COMMAND_ERROR_IS_FATAL ANY)
