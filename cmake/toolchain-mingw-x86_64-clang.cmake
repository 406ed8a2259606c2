# Windows x86_64 with clang++ and MinGW-w64's headers and libraries: the
# second compiler that tools/check-package builds consumers of the package
# with. Debian's clang finds neither MinGW's libstdc++ headers nor, when it
# links, its libraries in the order they need.
if(DEFINED CMAKE_CXX_STANDARD_LIBRARIES_INIT)
  # Loaded a second time, after the platform's rules: the C++ runtime last.
  string(APPEND CMAKE_CXX_STANDARD_LIBRARIES_INIT
         " -Wl,--start-group -lstdc++ -lpthread -lgcc_eh -lgcc -Wl,--end-group")
  return()
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
file(GLOB mingw_gcc LIST_DIRECTORIES true /usr/lib/gcc/x86_64-w64-mingw32/*-posix)
list(GET mingw_gcc 0 mingw_gcc)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
    ${mingw_gcc}/include/c++ ${mingw_gcc}/include/c++/x86_64-w64-mingw32)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=bfd -L${mingw_gcc} -nostdlib++ -static")
set(CMAKE_USER_MAKE_RULES_OVERRIDE_CXX ${CMAKE_CURRENT_LIST_FILE})
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
