# The programs of the suite, one row each, in the order the launcher names
# them. Everything else that lists the programs is made from these rows:
#   - the build targets and the size flags of what they link (src/apps),
#   - program_list.h (the Program values, and the list the C++ program table
#     in program_table.h is checked against by the unit tests),
#   - programs.txt in the cross build, read by scripts/ and the e2e cases.
#
# kestrel_program_family(FOLDER LIBRARIES...): the libraries the programs of
#   src/apps/FOLDER link besides the shared window pieces and Win32 ports.
# kestrel_program_row(NAME FOLDER TEMPLATE TRANSPORT HELP-TOPIC): NAME.EXE,
#   built from src/apps/FOLDER/<name>_main.cpp (and any other .cpp there that
#   is not an entry point) with the windows of src/ui/TEMPLATE; TRANSPORT is
#   aspi, passthrough or none; its Help opens HELP-TOPIC of opthelp.chm and
#   opthelpj.chm (help/en, help/ja).
include_guard(GLOBAL)

set(KESTREL_PROGRAM_FAMILIES)
set(KESTREL_PROGRAM_NAMES)

macro(kestrel_program_family folder)
  list(APPEND KESTREL_PROGRAM_FAMILIES ${folder})
  set(KESTREL_FAMILY_${folder}_LIBRARIES ${ARGN})
endmacro()

macro(kestrel_program_row name folder template transport topic)
  if(NOT "${transport}" MATCHES "^(aspi|passthrough|none)$")
    message(FATAL_ERROR "${name}: transport ${transport} is not aspi, passthrough or none")
  endif()
  if(NOT "${folder}" IN_LIST KESTREL_PROGRAM_FAMILIES)
    message(FATAL_ERROR "${name}: no kestrel_program_family(${folder} ...) above its row")
  endif()
  list(APPEND KESTREL_PROGRAM_NAMES ${name})
  set(KESTREL_PROGRAM_${name}_FOLDER ${folder})
  set(KESTREL_PROGRAM_${name}_TEMPLATE ${template})
  set(KESTREL_PROGRAM_${name}_TRANSPORT ${transport})
  set(KESTREL_PROGRAM_${name}_HELP ${topic})
endmacro()

kestrel_program_family(firmware kestrel_ui_firmware kestrel_firmware kestrel_drive comdlg32)
kestrel_program_family(region kestrel_ui_region kestrel_region kestrel_drive)
kestrel_program_family(speed kestrel_ui_speed kestrel_speed kestrel_drive)
# The launcher links no drive code.
kestrel_program_family(launcher kestrel_ui_launcher kestrel_launcher)

#                  NAME    FOLDER   TEMPLATE   TRANSPORT   HELP-TOPIC
kestrel_program_row(TARN9X firmware tarn9x.rc  aspi        UpdateUtility.htm)
kestrel_program_row(TARN2K firmware tarn2k.rc  passthrough UpdateUtility.htm)
kestrel_program_row(MERE9X region   mere9x.rc  aspi        RegionUtility.htm)
kestrel_program_row(MERE2K region   mere2k.rc  passthrough RegionUtility.htm)
kestrel_program_row(BECK9X speed    beck9x.rc  aspi        SpeedControl.htm)
kestrel_program_row(BECK2K speed    beck2k.rc  passthrough SpeedControl.htm)
kestrel_program_row(FELL32 launcher fell32.rc  none        HELPINDEX.htm)
