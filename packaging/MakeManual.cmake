# Makes one manual page from a program's --help and --version output with
# help2man, so that the page and the help cannot drift apart (cmake -P).
#   PROGRAM   the built program       NAME      its name in the page
#   SECTION   the manual section      SUMMARY   the one-line description
#   INCLUDE   help2man include file of the sections --help has no room for
#   OUTPUT    the page to write (and OUTPUT.gz)
#   HELP2MAN  the help2man program
#   COMMANDS  ON: add a COMMANDS section with each subcommand's --help (and
#             of the subcommands below it), found in the help's
#             "Subcommands:" list
cmake_minimum_required(VERSION 3.25)

# The subcommand names listed in the "Subcommands:" part of `help`.
function(subcommands_of help out)
  string(REPLACE "\n" ";" lines "${help}")
  set(names "")
  set(inside OFF)
  foreach(line IN LISTS lines)
    if(line MATCHES "^Subcommands:")
      set(inside ON)
    elseif(inside AND line MATCHES "^  ([a-z0-9-]+) ")
      list(APPEND names ${CMAKE_MATCH_1})
    elseif(inside AND NOT line MATCHES "^ ")
      set(inside OFF)
    endif()
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Appends to `text` a subsection per command below `words` (a list), deepest last.
function(describe_commands words text)
  execute_process(COMMAND ${PROGRAM} ${words} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${PROGRAM} ${words} --help failed")
  endif()
  set(result "${${text}}")
  if(words)
    list(JOIN words " " title)
    string(REPLACE "\\" "\\\\" help "${help}")
    string(REGEX REPLACE "\n+$" "" help "${help}")
    string(APPEND result ".SS \"${NAME} ${title}\"\n.nf\n${help}\n.fi\n")
  endif()
  subcommands_of("${help}" names)
  foreach(name IN LISTS names)
    set(below ${words} ${name})
    describe_commands("${below}" result)
  endforeach()
  set(${text} "${result}" PARENT_SCOPE)
endfunction()

set(includes -i ${INCLUDE})
# The page is named after the program, with the library's version that
# --version prints last.
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version RESULT_VARIABLE failed)
string(REGEX MATCH "[0-9][^ \n]*\n?$" version "${version}")
string(STRIP "${version}" version)
if(failed OR NOT version)
  message(FATAL_ERROR "${PROGRAM} --version printed no version")
endif()
if(COMMANDS)
  set(commands "[COMMANDS]\nEach command's own --help, as the program prints it.\n")
  describe_commands("" commands)
  get_filename_component(output_dir ${OUTPUT} DIRECTORY)
  file(WRITE ${output_dir}/${NAME}.commands.h2m "${commands}")
  list(APPEND includes -i ${output_dir}/${NAME}.commands.h2m)
endif()
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=${SECTION} --name=${SUMMARY} ${includes}
          "--version-string=${NAME} ${version}"
          --output=${OUTPUT}.tmp ${PROGRAM}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "help2man failed for ${PROGRAM}")
endif()
# The page names the program, not the build folder it was made in.
file(READ ${OUTPUT}.tmp page)
get_filename_component(folder ${PROGRAM} DIRECTORY)
string(REPLACE "${folder}/" "" page "${page}")
file(WRITE ${OUTPUT} "${page}")
file(REMOVE ${OUTPUT}.tmp)
# Installed compressed, as man reads them and Debian wants them.
execute_process(COMMAND gzip -9nkf ${OUTPUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed for ${OUTPUT}")
endif()
