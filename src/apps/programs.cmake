# The programs of the suite, one row each, in the order the launcher names
# them. Everything else that lists the programs is made from these rows:
#   - the build targets and the size flags of what they link (src/apps),
#   - program_list.h (the Program values, and the list the C++ program table
#     in program_table.h is checked against by the unit tests),
#   - programs.txt in the cross build, read by scripts/ and the e2e cases.
#
# kestrel_program_family(FOLDER WINDOW sources... LIBRARIES libraries...): the
#   programs of src/apps/FOLDER show the windows of the src/ui sources named
#   (the library kestrel_ui_FOLDER) and link, besides them and the shared
#   window pieces and Win32 ports, only the libraries named.
# kestrel_program_row(NAME FOLDER TEMPLATE TRANSPORT HELP-TOPIC): NAME.EXE,
#   built from src/apps/FOLDER/<name>_main.cpp (and any other .cpp there that
#   is not an entry point) with the windows of src/ui/TEMPLATE; TRANSPORT is
#   aspi, passthrough or none; its Help opens HELP-TOPIC of opthelp.chm and
#   opthelpj.chm (help/en, help/ja).
include_guard(GLOBAL)

set(KESTREL_PROGRAM_FAMILIES)
set(KESTREL_PROGRAM_NAMES)

function(kestrel_program_family folder)
  cmake_parse_arguments(FAMILY "" "" "WINDOW;LIBRARIES" ${ARGN})
  if(NOT FAMILY_WINDOW)
    message(FATAL_ERROR "family ${folder}: no WINDOW sources")
  endif()
  set(KESTREL_PROGRAM_FAMILIES ${KESTREL_PROGRAM_FAMILIES} ${folder} PARENT_SCOPE)
  set(KESTREL_FAMILY_${folder}_WINDOW ${FAMILY_WINDOW} PARENT_SCOPE)
  set(KESTREL_FAMILY_${folder}_LIBRARIES ${FAMILY_LIBRARIES} PARENT_SCOPE)
endfunction()

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

# FirmwareUpdateWindow and its confirmation window.
kestrel_program_family(firmware
  WINDOW confirm_update_dialog.cpp firmware_update_window.cpp firmware_window_texts.cpp
  LIBRARIES kestrel_firmware kestrel_transport_aspi kestrel_transport_passthrough kestrel_drive
            comdlg32)
kestrel_program_family(region
  WINDOW region_window.cpp region_window_texts.cpp
  LIBRARIES kestrel_region kestrel_transport_aspi kestrel_transport_passthrough kestrel_drive)
kestrel_program_family(speed
  WINDOW speed_window.cpp speed_window_texts.cpp
  LIBRARIES kestrel_speed kestrel_transport_aspi kestrel_transport_passthrough kestrel_drive)
# The launcher links no drive code.
kestrel_program_family(launcher WINDOW launcher_window.cpp LIBRARIES kestrel_launcher)

#                  NAME    FOLDER   TEMPLATE   TRANSPORT   HELP-TOPIC
kestrel_program_row(TARN9X firmware tarn9x.rc  aspi        UpdateUtility.htm)
kestrel_program_row(TARN2K firmware tarn2k.rc  passthrough UpdateUtility.htm)
kestrel_program_row(MERE9X region   mere9x.rc  aspi        RegionUtility.htm)
kestrel_program_row(MERE2K region   mere2k.rc  passthrough RegionUtility.htm)
kestrel_program_row(BECK9X speed    beck9x.rc  aspi        SpeedControl.htm)
kestrel_program_row(BECK2K speed    beck2k.rc  passthrough SpeedControl.htm)
kestrel_program_row(FELL32 launcher fell32.rc  none        HELPINDEX.htm)
