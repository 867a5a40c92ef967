# Writes the Windows package (run with cmake -P from package-win32):
#   PROGRAMS  the executables, put at the top of the zip
#   README    readme.txt in UTF-8 with LF, written as Shift_JIS with CR LF
#   LICENSE   the licence, written with CR LF
#   STAGING   a scratch folder
#   ZIP       the zip to write; ZIP.sha256 beside it in sha256sum's format
file(REMOVE_RECURSE ${STAGING})
file(MAKE_DIRECTORY ${STAGING})

# Notepad of the Windows versions we run on shows only CR LF line ends.
function(write_with_crlf source destination)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${destination} "${text}")
endfunction()

set(names)
foreach(program IN LISTS PROGRAMS)
  file(COPY ${program} DESTINATION ${STAGING})
  get_filename_component(name ${program} NAME)
  list(APPEND names ${name})
endforeach()

write_with_crlf(${README} ${STAGING}/readme-utf8.txt)
execute_process(
  COMMAND iconv -f UTF-8 -t CP932 ${STAGING}/readme-utf8.txt
  OUTPUT_FILE ${STAGING}/readme.txt
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "readme.txt: not convertible to Shift_JIS (iconv: ${result})")
endif()
file(REMOVE ${STAGING}/readme-utf8.txt)
write_with_crlf(${LICENSE} ${STAGING}/LICENSE)
list(APPEND names readme.txt LICENSE)

get_filename_component(zip_folder ${ZIP} DIRECTORY)
get_filename_component(zip_name ${ZIP} NAME)
file(MAKE_DIRECTORY ${zip_folder})
file(REMOVE ${ZIP} ${ZIP}.sha256)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip -- ${names}
  WORKING_DIRECTORY ${STAGING}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${zip_name}: not written")
endif()

file(SHA256 ${ZIP} sum)
file(WRITE ${ZIP}.sha256 "${sum}  ${zip_name}\n")
