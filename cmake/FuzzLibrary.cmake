# The library a fuzz target links: a target of a thumbnail decoder links the
# thumbnail library, one that reaches into the engine links the core, every
# other one (the archive and file readers) only the readers, so a reader
# fuzzer proves the readers stand on the platform alone.
function(zembrolt_fuzz_library source out)
  file(STRINGS ${source} thumbnail_includes REGEX "#include \"ThumbGenerator/")
  file(STRINGS ${source} engine_includes REGEX "#include \"app/engine/")
  if(thumbnail_includes)
    set(${out} zbthumb PARENT_SCOPE)
  elseif(engine_includes)
    set(${out} zembrolt_core PARENT_SCOPE)
  else()
    set(${out} zembrolt_readers PARENT_SCOPE)
  endif()
endfunction()
