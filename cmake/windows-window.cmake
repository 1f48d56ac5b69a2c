# The window of the Windows build (platform/windows/gui: Win32, OLE and the system's HTML
# control) and corvane.exe, linked from the same layer libraries as on Linux, with its
# resources: the icon, the page files as HTML resources, the manifest, the version resource and
# the string table made from the program's own table (res/string_table.cpp).
enable_language(RC)

file(GLOB CORVANE_WINDOWS_GUI_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/platform/windows/gui/*.cpp)
list(FILTER CORVANE_WINDOWS_GUI_SOURCES EXCLUDE REGEX ".*/main\\.cpp$")
add_library(corvane_gui STATIC ${CORVANE_WINDOWS_GUI_SOURCES})
target_include_directories(corvane_gui PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(corvane_gui PUBLIC corvane_platform_windows ole32 oleaut32 uuid comctl32
                                         comdlg32 shell32 user32 gdi32)

set(CORVANE_RESOURCE_DIR ${CMAKE_BINARY_DIR}/windows-resources)
set(CORVANE_RESOURCE_SOURCES ${CMAKE_SOURCE_DIR}/platform/windows/resources)
file(MAKE_DIRECTORY ${CORVANE_RESOURCE_DIR})

# The string table: a generator built for the build machine from the program's table writes
# every id with its text.
find_program(CORVANE_HOST_CXX NAMES g++ c++ REQUIRED)
set(CORVANE_STRING_TABLE_RC ${CORVANE_RESOURCE_DIR}/string_table.rc)
set(CORVANE_STRING_TABLE_GENERATOR ${CORVANE_RESOURCE_DIR}/make-string-table-rc)
add_custom_command(
  OUTPUT ${CORVANE_STRING_TABLE_RC}
  COMMAND ${CORVANE_HOST_CXX} -std=c++20 -I${CMAKE_SOURCE_DIR} -o ${CORVANE_STRING_TABLE_GENERATOR}
          ${CORVANE_RESOURCE_SOURCES}/make_string_table_rc.cpp ${CMAKE_SOURCE_DIR}/res/string_table.cpp
  COMMAND ${CORVANE_STRING_TABLE_GENERATOR} > ${CORVANE_STRING_TABLE_RC}
  DEPENDS ${CORVANE_RESOURCE_SOURCES}/make_string_table_rc.cpp ${CMAKE_SOURCE_DIR}/res/string_table.cpp
          ${CMAKE_SOURCE_DIR}/res/string_table.h
  COMMENT "Writing the string table of the resources"
  VERBATIM)

# The icon in the sizes the program carries.
find_program(CORVANE_CONVERT convert REQUIRED)
set(CORVANE_ICON_FILE ${CORVANE_RESOURCE_DIR}/corvane.ico)
set(CORVANE_ICON_IMAGES)
foreach(size 16 32 48)
  list(APPEND CORVANE_ICON_IMAGES ${CMAKE_SOURCE_DIR}/res/page/corvane-${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${CORVANE_ICON_FILE}
  COMMAND ${CORVANE_CONVERT} ${CORVANE_ICON_IMAGES} ${CORVANE_ICON_FILE}
  DEPENDS ${CORVANE_ICON_IMAGES}
  COMMENT "Making the program's icon"
  VERBATIM)

# The page files: those the page bundle lists, without the window icons. Resource names are
# upper case, as the control's "res://" protocol finds them whatever the case of the link.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/page/corvane.gresource.xml CORVANE_PAGE_LINES REGEX "<file>")
set(CORVANE_PAGE_RESOURCES "")
set(CORVANE_PAGE_FILES)
foreach(line IN LISTS CORVANE_PAGE_LINES)
  string(REGEX REPLACE ".*<file>(.*)</file>.*" "\\1" name "${line}")
  if(name MATCHES "^corvane-[0-9]+\\.png$")
    continue()
  endif()
  string(TOUPPER "${name}" resourceName)
  set(file ${CMAKE_SOURCE_DIR}/res/page/${name})
  string(APPEND CORVANE_PAGE_RESOURCES "${resourceName} 23 \"${file}\"\n")
  list(APPEND CORVANE_PAGE_FILES ${file})
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                                       ${CMAKE_SOURCE_DIR}/res/page/corvane.gresource.xml)

set(CORVANE_MANIFEST_FILE ${CORVANE_RESOURCE_DIR}/corvane.manifest)
configure_file(${CORVANE_RESOURCE_SOURCES}/corvane.manifest.in ${CORVANE_MANIFEST_FILE} @ONLY)
configure_file(${CORVANE_RESOURCE_SOURCES}/corvane.rc.in ${CORVANE_RESOURCE_DIR}/corvane.rc @ONLY)
set_source_files_properties(
  ${CORVANE_RESOURCE_DIR}/corvane.rc
  PROPERTIES OBJECT_DEPENDS
             "${CORVANE_STRING_TABLE_RC};${CORVANE_ICON_FILE};${CORVANE_MANIFEST_FILE};${CORVANE_PAGE_FILES}")

add_executable(corvane WIN32 ${CMAKE_SOURCE_DIR}/platform/windows/gui/main.cpp
                             ${CORVANE_RESOURCE_DIR}/corvane.rc)
target_link_libraries(corvane PRIVATE corvane_app corvane_gui)
add_custom_target(corvane_windows_resources DEPENDS ${CORVANE_STRING_TABLE_RC} ${CORVANE_ICON_FILE})
add_dependencies(corvane corvane_windows_resources)

# The per-user installer (wixl, on the build machine): corvane.exe, corvanectl.exe and
# certinfo.exe under the user's own program folder, with a Start-menu entry.
find_program(CORVANE_WIXL wixl REQUIRED)
set(CORVANE_MSI ${CMAKE_BINARY_DIR}/corvane-${PROJECT_VERSION}.msi)
set(CORVANE_WXS ${CMAKE_SOURCE_DIR}/platform/windows/installer/corvane.wxs)
add_custom_command(
  OUTPUT ${CORVANE_MSI}
  # wixl takes the programs by paths relative to where it runs.
  COMMAND ${CORVANE_WIXL} --arch x64 --output ${CORVANE_MSI} -D Version=${PROJECT_VERSION}
          -D CorvaneExe=corvane.exe -D CorvanectlExe=tools/corvanectl.exe
          -D CertinfoExe=tools/certinfo.exe ${CORVANE_WXS}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${CORVANE_WXS} corvane corvanectl certinfo
  COMMENT "Building the installer"
  VERBATIM)
add_custom_target(corvane_msi ALL DEPENDS ${CORVANE_MSI})
