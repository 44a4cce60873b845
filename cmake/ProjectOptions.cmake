# One interface target carries the warnings and sanitizer flags; every library links it.
add_library(quillmoor_options INTERFACE)
target_compile_options(quillmoor_options INTERFACE -Wall -Wextra -Werror)
target_compile_features(quillmoor_options INTERFACE cxx_std_20)
# GCC 12 reports impossible memcpy overlaps inside std::string at -O2 (GCC bug 105329);
# the warning is noise there, so it is off for that compiler only.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(quillmoor_options INTERFACE -Wno-restrict)
endif()

set(SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (address + undefined) or 'thread'")
set_property(CACHE SANITIZE PROPERTY STRINGS "" address thread)

if(SANITIZE STREQUAL "address")
  target_compile_options(quillmoor_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(quillmoor_options INTERFACE -fsanitize=address,undefined)
elseif(SANITIZE STREQUAL "thread")
  target_compile_options(quillmoor_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(quillmoor_options INTERFACE -fsanitize=thread)
elseif(NOT SANITIZE STREQUAL "")
  message(FATAL_ERROR "SANITIZE must be empty, 'address' or 'thread', not '${SANITIZE}'")
endif()

# The fuzz build (clang) instruments every library for libFuzzer's coverage and
# runs it under the address and undefined-behaviour sanitizers; the fuzz
# targets add libFuzzer itself (fuzz/CMakeLists.txt).
if(QUILLMOOR_BUILD_FUZZ)
  if(NOT SANITIZE STREQUAL "")
    message(FATAL_ERROR "QUILLMOOR_BUILD_FUZZ brings its own sanitizers; leave SANITIZE empty")
  endif()
  target_compile_options(quillmoor_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(quillmoor_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds a static library made of every .cpp in the calling folder.
function(quillmoor_folder_library name)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC quillmoor_options)
endfunction()
