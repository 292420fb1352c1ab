# What is made from the program list (src/apps/programs.cmake) and from the
# control ids (src/ui/resource_ids.h) at configure time. Each file is
# rewritten only when its text changes, so a re-run of cmake rebuilds nothing.

function(kestrel_write_if_changed path text)
  set(scratch ${path}.new)
  file(WRITE ${scratch} "${text}")
  configure_file(${scratch} ${path} COPYONLY)
  file(REMOVE ${scratch})
endfunction()

# The C++ name of a program: TARN9X -> Tarn9x.
function(kestrel_program_id name out)
  string(SUBSTRING ${name} 0 1 first)
  string(SUBSTRING ${name} 1 -1 rest)
  string(TOLOWER ${rest} rest)
  set(${out} ${first}${rest} PARENT_SCOPE)
endfunction()

# program_list.h: the rows as an X-macro, for the Program values and the
# checks of the C++ program table.
function(kestrel_write_program_list_header path)
  set(text "// Made by CMake from src/apps/programs.cmake: edit the rows there.\n")
  string(APPEND text "#pragma once\n\n")
  string(APPEND text "// X(Id, \"NAME\", Transport, \"help topic\") per program, in the rows' order;\n")
  string(APPEND text "// Transport is Aspi, PassThrough or None. Program::Id is the program's\n")
  string(APPEND text "// value, kIdProgram its row in apps/program_table.h.\n")
  string(APPEND text "#define KESTREL_PROGRAM_LIST(X)")
  foreach(name ${KESTREL_PROGRAM_NAMES})
    kestrel_program_id(${name} id)
    set(transport ${KESTREL_PROGRAM_${name}_TRANSPORT})
    if(transport STREQUAL "aspi")
      set(transport Aspi)
    elseif(transport STREQUAL "passthrough")
      set(transport PassThrough)
    else()
      set(transport None)
    endif()
    string(APPEND text " \\\n  X(${id}, \"${name}\", ${transport}, \"${KESTREL_PROGRAM_${name}_HELP}\")")
  endforeach()
  string(APPEND text "\n")
  kestrel_write_if_changed(${path} "${text}")
endfunction()

# programs.txt: one line per program, "NAME.EXE FOLDER TRANSPORT HELP-TOPIC",
# for the scripts and the e2e cases.
function(kestrel_write_program_list_text path)
  set(text "")
  foreach(name ${KESTREL_PROGRAM_NAMES})
    string(APPEND text "${name}.EXE ${KESTREL_PROGRAM_${name}_FOLDER} "
           "${KESTREL_PROGRAM_${name}_TRANSPORT} ${KESTREL_PROGRAM_${name}_HELP}\n")
  endforeach()
  kestrel_write_if_changed(${path} "${text}")
endfunction()

# resource_ids.sh: every "#define ID... N" of resource_ids.h as ID...=N, and
# the dialog manager's own IDOK and IDCANCEL, for the e2e cases to name the
# controls they click and read.
function(kestrel_write_resource_ids_shell header path)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
  file(STRINGS ${header} lines REGEX "^#define +ID[A-Z0-9_]+ +-?[0-9]+")
  set(text "# Made by CMake from src/ui/resource_ids.h.\nIDOK=1\nIDCANCEL=2\n")
  foreach(line ${lines})
    string(REGEX REPLACE "^#define +(ID[A-Z0-9_]+) +(-?[0-9]+).*" "\\1=\\2" assignment "${line}")
    string(APPEND text "${assignment}\n")
  endforeach()
  kestrel_write_if_changed(${path} "${text}")
endfunction()

# Each program's help topic is a page of both help files.
function(kestrel_check_help_topics)
  foreach(name ${KESTREL_PROGRAM_NAMES})
    foreach(language en ja)
      set(page ${PROJECT_SOURCE_DIR}/help/${language}/${KESTREL_PROGRAM_${name}_HELP})
      if(NOT EXISTS ${page})
        message(FATAL_ERROR "${name}: its help topic ${page} does not exist")
      endif()
    endforeach()
  endforeach()
endfunction()
