# Every source list of the project, named once: the program's layers, the two platforms, the
# settings text of the tools and the test support. The product, the tools, the tests, the fuzz
# targets and the benchmarks all build from these lists.
get_filename_component(QD_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# The layers above the platform, lowest first (docs/architecture.md), one list each.
set(QD_BASE_SOURCES base/ipv4.cpp base/shell.cpp)
set(QD_RUNNER_SOURCES runner/runner.cpp)
set(QD_NVRAM_SOURCES
    nvram/entry_list.cpp nvram/image.cpp nvram/file_buffer.cpp nvram/redo.cpp nvram/rewrite.cpp nvram/file_bin.cpp nvram/nvram.cpp nvram/uci.cpp
    nvram/load.cpp)
set(QD_WLAN_SOURCES wlan/queries.cpp wlan/mulssid.cpp wlan/profile.cpp wlan/macprog.cpp wlan/random.cpp)
set(QD_WPS_SOURCES wps/wsc.cpp wps/wps.cpp wps/led.cpp)
set(QD_RC_SOURCES rc/lifecycle.cpp rc/actions.cpp rc/dispatch.cpp)
foreach(layer BASE RUNNER NVRAM WLAN WPS RC)
  list(TRANSFORM QD_${layer}_SOURCES PREPEND ${QD_ROOT}/src/)
endforeach()
# All of them, for the fuzz targets' own instrumented copy.
set(QD_CORE_SOURCES ${QD_BASE_SOURCES} ${QD_RUNNER_SOURCES} ${QD_NVRAM_SOURCES} ${QD_WLAN_SOURCES} ${QD_WPS_SOURCES}
                    ${QD_RC_SOURCES})
# The real system, and the recording one of the tests, fuzz targets, benchmarks and preview.
set(QD_PLATFORM_SOURCES ${QD_ROOT}/src/platform/files.cpp ${QD_ROOT}/src/platform/messages.cpp
                        ${QD_ROOT}/src/platform/system_posix.cpp)
set(QD_PLATFORM_FAKE_SOURCES ${QD_ROOT}/src/platform/files.cpp ${QD_ROOT}/src/platform/messages.cpp
                             ${QD_ROOT}/src/platform/system_fake.cpp)
# The program itself: main and the C++ runtime on malloc.
set(QD_MAIN_SOURCES ${QD_ROOT}/src/rc/main.cpp ${QD_ROOT}/src/platform/cxx_runtime.cpp)

# Settings as key=value text (tools/nvram_text.h).
set(QD_NVRAM_TEXT_SOURCES ${QD_ROOT}/tools/nvram_text.cpp)

# The program's code run in place on the recording platform: a scratch gateway root and the
# children run in the same process (the preview of qd_nvram_tool, and the test support).
set(QD_IN_PLACE_SOURCES ${QD_ROOT}/tools/in_place/scratch.cpp ${QD_ROOT}/tools/in_place/run.cpp
                         ${QD_ROOT}/tools/in_place/keys.cpp)

# Scaffolding shared by the unit, hardening, fuzz and benchmark builds.
set(QD_TEST_SUPPORT_SOURCES store.cpp run.cpp profile_text.cpp hostile.cpp freshness.cpp)
list(TRANSFORM QD_TEST_SUPPORT_SOURCES PREPEND ${QD_ROOT}/tests/support/)
