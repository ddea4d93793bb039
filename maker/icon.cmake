# The program's icon from a publisher's picture (maker/ProgramIcon.h). The
# pixel and byte rules need no system call: they join the portable library,
# built natively (tests under the sanitizers) and for fuzzing too. The file
# reading and the PNG decoding (WIC, through COM: windowscodecs is never
# imported) are Windows only, in a library patch-make links.
target_sources(patch_portable PRIVATE ${CMAKE_CURRENT_LIST_DIR}/icon_image.cpp)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    add_library(patch_maker_icon STATIC
        ${CMAKE_CURRENT_LIST_DIR}/PictureFile.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ProgramIcon.cpp)
    # The WIC class and interface ids come from libuuid; ole32 creates the factory.
    target_link_libraries(patch_maker_icon PUBLIC patch_core ole32 uuid)
    patch_strict_warnings(patch_maker_icon)
endif()
