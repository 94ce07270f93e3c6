# Fails the build when a source file includes a header from a layer above
# its own. Run in script mode: cmake -DSOURCE_DIR=... -DSTAMP=... -P CheckLayers.cmake
#
# Each folder lists the project folders its files may include from. The
# layers from the bottom: platform, readers, the engine, the file tools'
# logic, the window toolkit, the file tools' windows, the program's windows.
# The libraries beside the program (zbthumb, the shell extension, the hot-key
# watcher) stand on the platform alone. A file belongs to the longest layer
# folder that holds it, so app/engine/ is not app/ and tools/windows/ is not
# tools/.
set(layer_folders platform readers app/engine tools tools/windows ui app ThumbGenerator shellext hotkey)
set(allowed_platform       platform)
set(allowed_readers        platform readers)
set(allowed_app/engine     platform readers app/engine)
set(allowed_tools          platform readers app/engine tools)
set(allowed_tools/windows  platform readers app/engine tools ui tools/windows)
set(allowed_ui             platform app/engine ui)
set(allowed_app            platform readers app/engine tools tools/windows ui app)
set(allowed_ThumbGenerator platform ThumbGenerator)
set(allowed_shellext       platform shellext)
set(allowed_hotkey         platform hotkey)

# Sets out_var to the layer folder holding the source-relative path rel, or
# to "" when no layer holds it.
function(layer_of rel out_var)
  set(best "")
  foreach(candidate ${layer_folders})
    string(LENGTH "${candidate}" candidate_length)
    string(LENGTH "${best}" best_length)
    if(rel MATCHES "^${candidate}/" AND candidate_length GREATER best_length)
      set(best ${candidate})
    endif()
  endforeach()
  set(${out_var} "${best}" PARENT_SCOPE)
endfunction()

# Sets out_var to the source-relative path the include names, resolved as the
# compiler does: a quoted name first beside the including file, then from the
# source root (the include folder every target has); an angle-bracket name
# from the source root only. A header outside the source tree gives "".
function(included_path file spelling header out_var)
  get_filename_component(file_dir ${file} DIRECTORY)
  set(resolved "")
  if(spelling STREQUAL "\"")
    cmake_path(ABSOLUTE_PATH header BASE_DIRECTORY ${file_dir} NORMALIZE OUTPUT_VARIABLE beside)
    if(EXISTS ${beside})
      set(resolved ${beside})
    endif()
  endif()
  if(resolved STREQUAL "")
    cmake_path(ABSOLUTE_PATH header BASE_DIRECTORY ${SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE resolved)
  endif()
  cmake_path(IS_PREFIX SOURCE_DIR ${resolved} NORMALIZE inside)
  if(inside)
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${resolved})
    set(${out_var} ${rel} PARENT_SCOPE)
  else()
    set(${out_var} "" PARENT_SCOPE)
  endif()
endfunction()

set(include_pattern "^[ \t]*#[ \t]*include[ \t]*([\"<])([^\">]+)[\">]")
set(globs "")
foreach(folder ${layer_folders})
  list(APPEND globs ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
endforeach()
file(GLOB_RECURSE files ${globs})
list(REMOVE_DUPLICATES files)
list(SORT files)

set(violations "")
foreach(file ${files})
  file(RELATIVE_PATH rel ${SOURCE_DIR} ${file})
  layer_of(${rel} own)
  file(STRINGS ${file} includes REGEX "${include_pattern}")
  foreach(line ${includes})
    string(REGEX MATCH "${include_pattern}" spelled "${line}")
    set(spelling "${CMAKE_MATCH_1}")
    set(header "${CMAKE_MATCH_2}")
    included_path(${file} "${spelling}" "${header}" target)
    if(target STREQUAL "")
      continue()
    endif()
    layer_of(${target} target_layer)
    if(target_layer STREQUAL "")
      continue()
    endif()
    list(FIND allowed_${own} ${target_layer} found)
    if(found EQUAL -1)
      string(STRIP "${spelled}" spelled)
      string(APPEND violations "  ${rel}: ${spelled} (${own} may not use ${target_layer})\n")
    endif()
  endforeach()
endforeach()

if(NOT violations STREQUAL "")
  message(FATAL_ERROR "Includes that point up the layers:\n${violations}")
endif()
file(WRITE ${STAMP} "layers ok\n")
