# Finds what each switched-on component needs before any of it is configured. Whatever is missing
# stops the configure with the Debian package that provides it (`./run` installs them all), so a
# build never quietly lacks a part the README promises.

set(vmc_missing "")

# vmc_need(<found> <what> <Debian package> <option>): records a prerequisite that was not found.
function(vmc_need found what package option)
  if(NOT found)
    set(line "  ${what}: install the Debian package ${package}")
    if(option)
      string(APPEND line ", or configure with -D${option}=OFF")
    endif()
    set(vmc_missing "${vmc_missing}${line}\n" PARENT_SCOPE)
  endif()
endfunction()

find_package(Qt6 6.2 QUIET COMPONENTS Widgets Network)
vmc_need("${Qt6_FOUND}" "Qt 6 Widgets and Network (the library)" qt6-base-dev "")
find_package(pugixml QUIET)
vmc_need("${pugixml_FOUND}" "pugixml (the library)" libpugixml-dev "")

# The reference server page serves the demo, the tests and the benchmarks.
set(vmc_build_server OFF)
if(VYNMEMBERCOMMENT_BUILD_TOOLS OR VYNMEMBERCOMMENT_BUILD_TESTS OR VYNMEMBERCOMMENT_BUILD_BENCH)
  set(vmc_build_server ON)
  find_package(SQLite3 QUIET)
  vmc_need("${SQLite3_FOUND}" "SQLite 3 (the reference server)" libsqlite3-dev "")
  find_package(PkgConfig QUIET)
  vmc_need("${PkgConfig_FOUND}" "pkg-config (to find cpp-httplib)" pkg-config "")
  if(PkgConfig_FOUND)
    pkg_check_modules(vmc_httplib QUIET cpp-httplib)
    vmc_need("${vmc_httplib_FOUND}" "cpp-httplib (the reference server)" libcpp-httplib-dev "")
    pkg_check_modules(vmc_libpq QUIET libpq)
    vmc_need("${vmc_libpq_FOUND}" "libpq (the reference server's PostgreSQL backend)" libpq-dev "")
  endif()
endif()

if(VYNMEMBERCOMMENT_BUILD_TOOLS)
  find_package(Qt6 QUIET COMPONENTS Test)
  vmc_need("${Qt6Test_FOUND}" "Qt 6 Test (the demo's scripted tour)" qt6-base-dev VYNMEMBERCOMMENT_BUILD_TOOLS)
endif()

if(VYNMEMBERCOMMENT_BUILD_DESIGNER)
  find_package(Qt6 QUIET COMPONENTS UiPlugin)
  vmc_need("${Qt6UiPlugin_FOUND}" "Qt 6 UiPlugin (the Designer plugin)" qt6-tools-dev VYNMEMBERCOMMENT_BUILD_DESIGNER)
endif()

if(VYNMEMBERCOMMENT_BUILD_TESTS)
  find_package(Qt6 QUIET COMPONENTS Test)
  vmc_need("${Qt6Test_FOUND}" "Qt 6 Test (the tests)" qt6-base-dev VYNMEMBERCOMMENT_BUILD_TESTS)
  find_package(GTest QUIET)
  vmc_need("${GTest_FOUND}" "GoogleTest (the tests)" libgtest-dev VYNMEMBERCOMMENT_BUILD_TESTS)
  set(vmc_have_gmock OFF)
  if(TARGET GTest::gmock)
    set(vmc_have_gmock ON)
  endif()
  vmc_need(${vmc_have_gmock} "GoogleMock (the tests)" libgmock-dev VYNMEMBERCOMMENT_BUILD_TESTS)
  # The tests on a real X display read the pointer's shape with XFixes; Xvfb and xdotool are
  # looked for when they run, so a missing one fails them.
  find_package(X11 QUIET)
  set(vmc_have_xfixes OFF)
  if(TARGET X11::Xfixes)
    set(vmc_have_xfixes ON)
  endif()
  vmc_need(${vmc_have_xfixes} "Xlib with XFixes (the tests on a real X display)" libxfixes-dev VYNMEMBERCOMMENT_BUILD_TESTS)
endif()

if(VYNMEMBERCOMMENT_BUILD_BENCH)
  find_package(Qt6 QUIET COMPONENTS Test Xml)
  vmc_need("${Qt6_FOUND}" "Qt 6 Test and Xml (the benchmarks)" qt6-base-dev VYNMEMBERCOMMENT_BUILD_BENCH)
  find_package(benchmark QUIET)
  vmc_need("${benchmark_FOUND}" "Google Benchmark (the benchmarks)" libbenchmark-dev VYNMEMBERCOMMENT_BUILD_BENCH)
endif()

if(VYNMEMBERCOMMENT_BUILD_FUZZ)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
    check_cxx_source_compiles(
      "#include <cstddef>\n#include <cstdint>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }"
      vmc_have_libfuzzer)
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    vmc_need("${vmc_have_libfuzzer}" "clang's libFuzzer runtime (the fuzz targets)" libclang-rt-14-dev
             VYNMEMBERCOMMENT_BUILD_FUZZ)
  else()
    vmc_need(OFF "clang as the compiler (-DCMAKE_CXX_COMPILER=clang++) for the fuzz targets" clang
             VYNMEMBERCOMMENT_BUILD_FUZZ)
  endif()
endif()

if(vmc_missing)
  message(FATAL_ERROR "VynMemberComment cannot build what was asked for; missing:\n${vmc_missing}")
endif()
