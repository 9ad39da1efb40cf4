# The layers of the program and the links allowed between them.
#
# Every folder of the source tree is a layer, and a target belongs to the layer of the folder
# that declares it. A layer may link targets of its own folder, of the layers it is declared
# OVER, and of whatever those may link in turn; nothing else. Layers declared side by side
# (image and logging, package and serial, ui and cli) may not link each other. ANY marks the
# folders that may link every layer: the tests, the benchmarks and the fuzz targets.
#
# The desktop window has two toolkits side by side over the same window model: ui (Qt) and
# winui (the Windows API, built only for Windows); app starts whichever the platform has.
#
# The simulator stands beside the program rather than under it: only the two programs that offer
# --simulate (app, cli) reach it, never the libraries the programs are built from. It speaks the
# wire format on its own, so it stands over serial (its virtual port is a serial port) and not
# over package or link.
#
# velmora_check_layers(), called once every folder has declared its targets, fails the
# configuration with a list of every link these lines do not allow, and otherwise writes each
# target's direct links to velmora-links.txt in the build folder for scripts/check-includes.

# velmora_layer(NAME [OVER layer...] [ANY])
function(velmora_layer name)
  cmake_parse_arguments(ARG "ANY" "" "OVER" ${ARGN})
  get_property(known GLOBAL PROPERTY VELMORA_LAYERS)
  if(name IN_LIST known)
    message(FATAL_ERROR "Layer ${name} is declared twice")
  endif()
  set(allowed "")
  if(ARG_ANY)
    set(allowed "*")
  endif()
  foreach(below IN LISTS ARG_OVER)
    if(NOT below IN_LIST known)
      message(FATAL_ERROR "Layer ${name} stands over ${below}, which is declared after it or not at all")
    endif()
    get_property(below_allowed GLOBAL PROPERTY VELMORA_LAYER_${below})
    list(APPEND allowed ${below} ${below_allowed})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  list(SORT allowed)
  set_property(GLOBAL APPEND PROPERTY VELMORA_LAYERS ${name})
  set_property(GLOBAL PROPERTY VELMORA_LAYER_${name} "${allowed}")
endfunction()

velmora_layer(common)
velmora_layer(platform OVER common)
velmora_layer(image OVER platform)
velmora_layer(logging OVER platform)
velmora_layer(package OVER image logging)
velmora_layer(serial OVER image logging)
velmora_layer(link OVER package serial)
velmora_layer(operations OVER link)
velmora_layer(simulator OVER serial)
velmora_layer(records OVER platform)
velmora_layer(ui OVER operations)
velmora_layer(winui OVER operations)
velmora_layer(app OVER ui winui simulator)
velmora_layer(cli OVER operations simulator records)
velmora_layer(tests ANY)
velmora_layer(bench ANY)
velmora_layer(fuzz ANY)

# The targets declared in folder dir and below it, into the variable out; folders from outside
# the project (the Windows build's GoogleTest) are left out.
function(velmora_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${subdir} NORMALIZE inside)
    if(NOT inside)
      continue()
    endif()
    velmora_targets_below(${subdir} sub_targets)
    list(APPEND targets ${sub_targets})
  endforeach()
  set(${out} "${targets}" PARENT_SCOPE)
endfunction()

# The layer of a target into the variable out: the first folder of its source folder below the
# project's, empty for a target of the top folder or of a folder outside the project (the
# Windows build's GoogleTest).
function(velmora_target_layer target out)
  get_target_property(dir ${target} SOURCE_DIR)
  file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${dir})
  set(layer "")
  if(NOT relative STREQUAL "" AND NOT relative MATCHES "^\\.\\./" AND NOT IS_ABSOLUTE relative)
    string(REGEX REPLACE "/.*" "" layer "${relative}")
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()

# The targets a target names in its own target_link_libraries (no further), into the variable
# out: entries of other directories' calls, generator expressions and aliases resolved to the
# targets they name; plain library names and flags left out.
function(velmora_direct_links target out)
  get_target_property(type ${target} TYPE)
  set(entries "")
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(private ${target} LINK_LIBRARIES)
    if(private)
      list(APPEND entries ${private})
    endif()
  endif()
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  if(interface)
    list(APPEND entries ${interface})
  endif()
  set(links "")
  foreach(entry IN LISTS entries)
    if(entry MATCHES "^::@")
      continue()
    endif()
    # A generator expression may hide a target anywhere inside it.
    if(entry MATCHES "\\$<")
      string(REGEX MATCHALL "[A-Za-z0-9_.+:-]+" names "${entry}")
    else()
      set(names ${entry})
    endif()
    foreach(name IN LISTS names)
      if(NOT TARGET ${name})
        continue()
      endif()
      get_target_property(aliased ${name} ALIASED_TARGET)
      if(aliased)
        set(name ${aliased})
      endif()
      list(APPEND links ${name})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES links)
  set(${out} "${links}" PARENT_SCOPE)
endfunction()

function(velmora_check_layers)
  get_property(layers GLOBAL PROPERTY VELMORA_LAYERS)
  velmora_targets_below(${PROJECT_SOURCE_DIR} targets)
  set(record "")
  set(broken "")
  foreach(target IN LISTS targets)
    velmora_target_layer(${target} layer)
    velmora_direct_links(${target} links)
    # A target outside every folder (the top folder's) is recorded under "-".
    if(layer STREQUAL "")
      string(APPEND record "${target} -")
    else()
      string(APPEND record "${target} ${layer}")
    endif()
    foreach(link IN LISTS links)
      string(APPEND record " ${link}")
    endforeach()
    string(APPEND record "\n")
    get_property(allowed GLOBAL PROPERTY VELMORA_LAYER_${layer})
    foreach(link IN LISTS links)
      get_target_property(imported ${link} IMPORTED)
      velmora_target_layer(${link} link_layer)
      if(imported OR link_layer STREQUAL "" OR link_layer STREQUAL layer OR allowed STREQUAL "*")
        continue()
      endif()
      if(layer STREQUAL "" OR NOT layer IN_LIST layers)
        string(APPEND broken "  ${target} (folder ${layer}) links ${link} (${link_layer}/), but "
          "${layer} is no layer of cmake/Layers.cmake\n")
      elseif(NOT link_layer IN_LIST allowed)
        string(REPLACE ";" ", " may "${allowed}")
        if(may STREQUAL "")
          set(may "nothing but itself")
        endif()
        string(APPEND broken "  ${target} (${layer}/) links ${link} (${link_layer}/); "
          "${layer} may link ${may}\n")
      endif()
    endforeach()
  endforeach()
  if(NOT broken STREQUAL "")
    message(FATAL_ERROR "Links across layers that cmake/Layers.cmake does not allow:\n${broken}")
  endif()
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/velmora-links.txt CONTENT "${record}")
endfunction()

# Every build also runs scripts/check-includes: a file may include the headers of the libraries
# its own target links (the links checked above), not those it only reaches through them. It
# runs again when a file it read, the links or the compile commands change.
function(velmora_add_include_check)
  find_package(Python3 COMPONENTS Interpreter)
  if(NOT Python3_Interpreter_FOUND OR NOT CMAKE_EXPORT_COMPILE_COMMANDS
      OR NOT CMAKE_GENERATOR MATCHES "Ninja|Makefiles")
    message(STATUS "The build does not check includes (it needs Python 3 and compile_commands.json)")
    return()
  endif()
  set(stamp ${PROJECT_BINARY_DIR}/check-includes.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/check-includes ${PROJECT_BINARY_DIR}
      --stamp ${stamp}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/check-includes ${PROJECT_BINARY_DIR}/velmora-links.txt
      ${PROJECT_BINARY_DIR}/compile_commands.json
    DEPFILE ${stamp}.d
    COMMENT "Checking that each file includes only libraries its target links"
    VERBATIM)
  add_custom_target(velmora_check_includes ALL DEPENDS ${stamp})
endfunction()
