# How the programs are built, for the folders' build files. The same functions exist on both
# sides: in the Windows build they make the deliverables, in the host build the logic that the
# unit tests link and the compiled resources they read.
#   norvo_applet(<target> SOURCES <.cpp>... RESOURCES <.rc> <files it includes>... EXPORTS <.def>
#                IMPORTS <system libraries>...)   a Control Panel applet, <target>.cpl
#   norvo_program(<target> SOURCES ... RESOURCES ... IMPORTS ...)   a program, <target>.exe
#   norvo_product_code(<target>)   code that goes into a deliverable
#   norvo_disk(<zip> <file or program target>...)   the driver disk and its check
# On the host a program's logic is <dir>_core and its resources build/host/<dir>.res (target
# <dir>_resources), <dir> being the program's folder.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Where each deliverable (or test image built like one) leaves its unstripped image and map.
  set(NORVO_UNSTRIPPED_DIR ${CMAKE_BINARY_DIR}/unstripped)

  # Code that goes into a deliverable: small, no exception runtime, for every processor NT 4.0
  # runs on (i486 and up, tuned for the Pentium).
  function(norvo_product_code target)
    target_compile_options(${target} PRIVATE -Os -march=i486 -mtune=pentium -fno-asynchronous-unwind-tables
      -fno-exceptions -fno-rtti -fno-threadsafe-statics -ffunction-sections -fdata-sections -D_GLIBCXX_ASSERTIONS)
  endfunction()

  # A deliverable (or a test image built like one) of product code: no runtime DLLs, a PE header
  # that NT 4.0 accepts (no DllCharacteristics bits, which it predates; a DLL keeps its
  # relocations), and no link time stamps, so that the same sources give the same bytes. Our
  # own entry point instead of the C runtime's start-up objects; the linker falls back silently
  # to the start of .text when the --entry symbol does not exist, so it is also required. The
  # image is stripped; the unstripped image of the same link, with its map, stays in
  # NORVO_UNSTRIPPED_DIR for the audit's function names.
  function(norvo_product_image target entry)
    set(unstripped ${NORVO_UNSTRIPPED_DIR})
    norvo_product_code(${target})
    target_link_options(${target} PRIVATE -static -Wl,--gc-sections -Wl,--enable-stdcall-fixup -Wl,--no-insert-timestamp
      -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
      -Wl,--disable-dynamicbase -Wl,--disable-nxcompat
      -nostartfiles -Wl,--entry,${entry} -Wl,--require-defined,${entry}
      -Wl,-Map,${unstripped}/$<TARGET_FILE_NAME:${target}>.map)
    add_custom_command(TARGET ${target} PRE_LINK
      COMMAND ${CMAKE_COMMAND} -E make_directory ${unstripped})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${unstripped}/
      # strip stamps the image with the current time unless told a fixed one
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>)
  endfunction()

  # The resource script (the first of RESOURCES) and, since windres names no files that a
  # script includes, the files it includes as its dependencies.
  function(norvo_resources target rc)
    set(included ${ARGN})
    list(TRANSFORM included PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${included}")
    target_sources(${target} PRIVATE ${rc})
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  endfunction()

  function(norvo_applet target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXPORTS" "SOURCES;RESOURCES;IMPORTS")
    add_library(${target} SHARED ${arg_SOURCES})
    norvo_resources(${target} ${arg_RESOURCES})
    target_sources(${target} PRIVATE ${arg_EXPORTS})
    norvo_product_image(${target} _NorvoDllEntry@12)
    target_link_options(${target} PRIVATE -mwindows)
    target_link_libraries(${target} PRIVATE framework win32_runtime win32_dll_entry ${arg_IMPORTS})
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".cpl")
  endfunction()

  function(norvo_program target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;RESOURCES;IMPORTS")
    add_executable(${target} WIN32 ${arg_SOURCES})
    norvo_resources(${target} ${arg_RESOURCES})
    norvo_product_image(${target} _NorvoProgramEntry)
    target_link_libraries(${target} PRIVATE framework win32_runtime win32_program_entry win32_winmain ${arg_IMPORTS})
  endfunction()

  # The disk as it is distributed, packed reproducibly into build/windows/dist/<zip>, and the
  # test that packs it twice and compares.
  function(norvo_disk zip)
    set(files)
    foreach(file ${ARGN})
      if(TARGET ${file})
        list(APPEND files $<TARGET_FILE:${file}>)
      else()
        list(APPEND files ${file})
      endif()
    endforeach()
    set(path ${CMAKE_BINARY_DIR}/dist/${zip})
    add_custom_command(OUTPUT ${path}
      COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/dist-zip.sh ${path} ${files}
      DEPENDS ${ARGN} ${CMAKE_SOURCE_DIR}/scripts/dist-zip.sh
      COMMENT "Packing ${path}")
    add_custom_target(dist DEPENDS ${path})
    add_test(NAME dist_reproducible COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/dist-check.sh ${zip} ${files})
  endfunction()
else()
  # The in-memory Windows reads the same compiled resources as the Windows build links in.
  find_program(WINDRES i686-w64-mingw32-windres REQUIRED)

  # The tests build the logic as they build themselves (debug, sanitizers).
  function(norvo_product_code target)
  endfunction()

  # The logic of the program in this folder (<dir>) for the host tests: <dir>_core, an object
  # library (so that a module's static application object is always linked in) on the framework,
  # and its resource script compiled to build/host/<dir>.res, with target <dir>_resources.
  function(norvo_host_logic)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXPORTS" "SOURCES;RESOURCES;IMPORTS")
    get_filename_component(dir ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(framework ${CMAKE_SOURCE_DIR}/platform/framework)
    add_library(${dir}_core OBJECT ${arg_SOURCES})
    target_include_directories(${dir}_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${dir}_core PUBLIC framework)
    set(res ${CMAKE_BINARY_DIR}/${dir}.res)
    list(GET arg_RESOURCES 0 rc)
    list(TRANSFORM arg_RESOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    add_custom_command(OUTPUT ${res}
      COMMAND ${WINDRES} -O res -I ${CMAKE_CURRENT_SOURCE_DIR} -I ${framework}
        -i ${CMAKE_CURRENT_SOURCE_DIR}/${rc} -o ${res}
      DEPENDS ${arg_RESOURCES} ${framework}/FrameworkStrings.h
      COMMENT "Compiling the resources of ${dir}")
    add_custom_target(${dir}_resources ALL DEPENDS ${res})
  endfunction()
  function(norvo_applet)
    norvo_host_logic(${ARGN})
  endfunction()
  function(norvo_program)
    norvo_host_logic(${ARGN})
  endfunction()

  # The host build makes no disk: its programs are the logic, not the images.
  function(norvo_disk)
  endfunction()
endif()
