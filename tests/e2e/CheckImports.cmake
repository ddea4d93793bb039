# Fails unless the program imports only the system's known DLLs: those that
# Windows always takes from the system folder (KnownDLLs, the same from
# Vista to 11). A player runs the program as it is, with nothing installed
# beside it, and with administrator rights from a folder where anyone may
# have left a DLL: an import of any other DLL is resolved before the program
# can restrict the search, and the program's own folder comes first in it.
# (comctl32, for one, is no known DLL: the program loads it at run time.)
# ntdll.dll is in every process before its first instruction, from the
# system folder.
# cmake -DOBJDUMP=... -DPROGRAM=... -P CheckImports.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll oleaut32.dll
    rpcrt4.dll shell32.dll shlwapi.dll user32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT imports)
    message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(import IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${import}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls)
        message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not among the system's known DLLs")
    endif()
    message(STATUS "imports ${dll}")
endforeach()
