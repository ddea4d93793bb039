# Fails unless the program's manifest names the processor it is built for
# (x86 for the player's 32-bit program, amd64 for the 64-bit build): a
# manifest that asks for another processor's common controls gives the
# process no activation context, and the dialog never opens. The manifest is
# stored as its own text among the resources, so it is read from the file
# without running the program.
#
#   cmake -DPROGRAM=patch.exe -DARCHITECTURE=x86 -P CheckManifest.cmake
cmake_minimum_required(VERSION 3.25)

file(STRINGS ${PROGRAM} architectures REGEX "processorArchitecture=\"[a-z0-9]+\"")
if(NOT architectures)
    message(FATAL_ERROR "${PROGRAM} carries no manifest naming a processorArchitecture")
endif()
foreach(line IN LISTS architectures)
    string(REGEX MATCH "processorArchitecture=\"([a-z0-9]+)\"" found "${line}")
    if(NOT CMAKE_MATCH_1 STREQUAL ARCHITECTURE)
        message(FATAL_ERROR "${PROGRAM}'s manifest names processorArchitecture=\"${CMAKE_MATCH_1}\", "
            "not \"${ARCHITECTURE}\": its common controls would not load")
    endif()
endforeach()
message(STATUS "${PROGRAM}: manifest for ${ARCHITECTURE}")
