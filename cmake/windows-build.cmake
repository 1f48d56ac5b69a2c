# The Windows build (cmake/mingw-w64-x86_64.cmake): the program's logic unchanged, over the
# Windows implementation of the platform interfaces in platform/windows (CryptoAPI, Win32), the
# command-line tools and the tests that run under Wine. The window is built by
# cmake/windows-window.cmake, not by the GTK part of the main list.
set(CORVANE_BUILD_GUI OFF)
set(CORVANE_BUILD_BENCH OFF)

# The target is Windows 7 or later; Unicode throughout.
add_compile_definitions(_WIN32_WINNT=0x0601 UNICODE _UNICODE)

# nlohmann-json is header-only: its headers from the build machine, and nothing else from there.
set(CORVANE_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${CORVANE_HOST_HEADERS})
file(CREATE_LINK /usr/include/nlohmann ${CORVANE_HOST_HEADERS}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${CORVANE_HOST_HEADERS})

set(CORVANE_PLATFORM_IMPLEMENTATION corvane_platform_windows)
corvane_layer(corvane_platform_windows platform/windows/*.cpp)
target_link_libraries(corvane_platform_windows PUBLIC corvane_platform crypt32 shell32)
