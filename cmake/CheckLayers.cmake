# Fails the build when a source file includes a header from a layer above
# its own. Run in script mode: cmake -DSOURCE_DIR=... -DSTAMP=... -P CheckLayers.cmake
#
# Each folder lists the project folders its files may include from. The
# layers from the bottom: platform, readers, the engine, the window toolkit,
# the program's windows. The libraries beside the program (zbthumb, the
# shell extension, the hot-key watcher) stand on the platform alone.
set(layer_folders platform readers app/engine tools ui app ThumbGenerator shellext hotkey)
set(allowed_platform       platform)
set(allowed_readers        platform readers)
set(allowed_app/engine     platform readers app/engine)
set(allowed_tools          platform readers app/engine tools ui)
set(allowed_ui             platform app/engine ui)
set(allowed_app            platform readers app/engine tools ui app)
set(allowed_ThumbGenerator platform ThumbGenerator)
set(allowed_shellext       platform shellext)
set(allowed_hotkey         platform hotkey)

set(violations "")
foreach(folder ${layer_folders})
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  foreach(file ${files})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${file})
    # A file in app/engine belongs to app/engine, not to app.
    set(own ${folder})
    if(folder STREQUAL "app" AND rel MATCHES "^app/engine/")
      continue()
    endif()
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue()
      endif()
      set(target_layer "")
      foreach(candidate ${layer_folders})
        if(header MATCHES "^${candidate}/")
          # app/engine/ wins over app/ because it is listed first.
          if(target_layer STREQUAL "")
            set(target_layer ${candidate})
          endif()
        endif()
      endforeach()
      if(target_layer STREQUAL "")
        continue()
      endif()
      list(FIND allowed_${own} ${target_layer} found)
      if(found EQUAL -1)
        string(APPEND violations "  ${rel}: #include \"${header}\" (${own} may not use ${target_layer})\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(NOT violations STREQUAL "")
  message(FATAL_ERROR "Includes that point up the layers:\n${violations}")
endif()
file(WRITE ${STAMP} "layers ok\n")
