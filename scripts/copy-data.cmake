# Copies the delivered data folder beside the executable:
#   cmake -DSRC=<repo>/data/ДАННЫЕ -DDST=<exe folder>/ДАННЫЕ -P copy-data.cmake
#
# Text files (*.txt) are kept in the repository as UTF-8 with LF so that they
# read well in review; the program reads the data folder's text files as
# Windows-1251 with CR LF, so they are converted on the way (iconv). Every other
# file is copied byte for byte. Files of the destination that the source does
# not have (settings, saved archives, templates) are left alone.

if(NOT SRC OR NOT DST)
  message(FATAL_ERROR "copy-data.cmake: SRC and DST must be given")
endif()
if(NOT IS_DIRECTORY "${SRC}")
  message(FATAL_ERROR "copy-data.cmake: no data folder ${SRC}")
endif()
find_program(ICONV iconv)
if(NOT ICONV)
  message(FATAL_ERROR "copy-data.cmake: iconv is needed to convert the text files to Windows-1251")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${SRC}" "${SRC}/*")
foreach(rel IN LISTS files)
  set(in "${SRC}/${rel}")
  set(out "${DST}/${rel}")
  get_filename_component(dir "${out}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  string(TOLOWER "${rel}" lower)
  if(lower MATCHES "\\.txt$")
    # CR LF first (still UTF-8), then the code page; a character that
    # Windows-1251 lacks fails the build instead of becoming '?'.
    file(READ "${in}" text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${out}.crlf" "${text}")
    execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP1251
      INPUT_FILE "${out}.crlf" OUTPUT_FILE "${out}.part"
      RESULT_VARIABLE rc ERROR_VARIABLE err)
    file(REMOVE "${out}.crlf")
    if(NOT rc EQUAL 0)
      file(REMOVE "${out}.part")
      message(FATAL_ERROR "copy-data.cmake: ${in} cannot be converted to Windows-1251: ${err}")
    endif()
    file(RENAME "${out}.part" "${out}")
  else()
    file(COPY_FILE "${in}" "${out}")
  endif()
endforeach()
