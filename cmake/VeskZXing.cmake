# The barcode library: the system's zxing-cpp 1.4 (Debian 12's libzxing-dev) by default, or zxing-cpp 2.3
# built here from the source folder named by VESK_ZXING_SOURCE_DIR (statically, readers only). Windows has
# no system zxing-cpp: without the sources that build has no barcode reader. Defines
#   vesk_zxing                    the library with its headers, included as <ZXing/...>
#   VESK_ZXING_READER_SOURCE      the barcode reader source file of src/imaging written for that version
#   VESK_BARCODE_READER           whether the build reads barcodes at all
set(VESK_ZXING_SOURCE_DIR "" CACHE PATH
    "zxing-cpp 2.3 source folder to build the barcode readers from; empty: the system's zxing-cpp 1.4")

add_library(vesk_zxing INTERFACE)
set(VESK_BARCODE_READER ON)

if(VESK_ZXING_SOURCE_DIR STREQUAL "" AND WIN32)
  message(STATUS "Barcodes: none (VESK_ZXING_SOURCE_DIR names no zxing-cpp 2.3 sources); every scan is skipped")
  set(VESK_BARCODE_READER OFF)
  set(VESK_ZXING_READER_SOURCE barcode_reader_none.cpp)
  return()
endif()

if(VESK_ZXING_SOURCE_DIR STREQUAL "")
  find_package(ZXing 1.4 REQUIRED)
  target_link_libraries(vesk_zxing INTERFACE ZXing::ZXing)
  # 1.4 gives text() in UTF-8 only with this switch; every user of its headers must see the same.
  target_compile_definitions(vesk_zxing INTERFACE ZX_USE_UTF8)
  set(VESK_ZXING_READER_SOURCE barcode_reader_zxing14.cpp)
  return()
endif()

set(_zxing_core "${VESK_ZXING_SOURCE_DIR}/core")
if(NOT EXISTS "${_zxing_core}/CMakeLists.txt" OR NOT EXISTS "${_zxing_core}/src/ReaderOptions.h")
  message(FATAL_ERROR "VESK_ZXING_SOURCE_DIR=${VESK_ZXING_SOURCE_DIR} holds no zxing-cpp sources (core/ missing)")
endif()
file(STRINGS "${_zxing_core}/CMakeLists.txt" _zxing_project REGEX "^project *\\(ZXing VERSION")
string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" _zxing_version "${_zxing_project}")
if(_zxing_version VERSION_LESS 2.3 OR _zxing_version VERSION_GREATER_EQUAL 3)
  message(FATAL_ERROR "VESK_ZXING_SOURCE_DIR holds zxing-cpp '${_zxing_version}'; the reader is written for 2.3")
endif()
message(STATUS "Barcodes: zxing-cpp ${_zxing_version} from ${VESK_ZXING_SOURCE_DIR}")

# Its own CMake project, limited to what the worker uses. A function, so that these settings stay with it.
function(vesk_add_zxing_core)
  set(BUILD_SHARED_LIBS OFF)
  set(ZXING_READERS ON)
  set(ZXING_WRITERS OFF)
  set(ZXING_C_API OFF)
  set(ZXING_EXPERIMENTAL_API OFF)
  set(ZXING_UNIT_TESTS OFF)
  # Built only as far as a target of ours needs it; its headers are not ours to keep warning-free.
  add_subdirectory("${_zxing_core}" "${CMAKE_BINARY_DIR}/zxing-cpp" EXCLUDE_FROM_ALL SYSTEM)
endfunction()
vesk_add_zxing_core()
target_compile_options(ZXing PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-w>)

# The public headers under a ZXing/ folder, as an installed copy has them, so that includes read the same
# for both versions.
set(_zxing_include "${CMAKE_BINARY_DIR}/zxing-include")
file(GLOB _zxing_headers "${_zxing_core}/src/*.h")
file(MAKE_DIRECTORY "${_zxing_include}/ZXing")
foreach(_header IN LISTS _zxing_headers)
  get_filename_component(_name "${_header}" NAME)
  configure_file("${_header}" "${_zxing_include}/ZXing/${_name}" COPYONLY)
endforeach()

target_include_directories(vesk_zxing SYSTEM INTERFACE "${_zxing_include}")
target_link_libraries(vesk_zxing INTERFACE ZXing)
set(VESK_ZXING_READER_SOURCE barcode_reader_zxing23.cpp)
