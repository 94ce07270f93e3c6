# What a fuzz target builds with, the same for the libFuzzer target and for
# its replay test: the tests' own folder for the shared helpers
# (tests/support/), and the lowest library its includes reach. A target of the
# thumbnail library links the library's internal archive, one that reaches
# into the engine links the core, one that reaches the readers links the
# readers, and every other one (the platform's own file readers) links only
# the platform, so each fuzzer proves its reader stands on the layers below it
# alone.
function(zembrolt_fuzz_target target source)
  file(STRINGS ${source} thumbnail_includes REGEX "#include \"ThumbGenerator/")
  file(STRINGS ${source} engine_includes REGEX "#include \"app/engine/")
  file(STRINGS ${source} reader_includes REGEX "#include \"readers/")
  if(thumbnail_includes)
    set(library zbthumb_internal)
  elseif(engine_includes)
    set(library zembrolt_core)
  elseif(reader_includes)
    set(library zembrolt_readers)
  else()
    set(library zembrolt_platform)
  endif()
  target_link_libraries(${target} PRIVATE ${library})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endfunction()
