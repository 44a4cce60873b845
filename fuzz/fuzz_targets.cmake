# The fuzz targets and the libraries each one tests, shared by the libFuzzer
# build (fuzz/) and the corpus replays of the test suite (tests/fuzz_replay/).
# Targets whose library is not part of this build are left out.
set(QUILLMOOR_FUZZ_TARGETS reply_reader listing size_reply hash_reply extension_table)
foreach(target ${QUILLMOOR_FUZZ_TARGETS})
  set(QUILLMOOR_FUZZ_LIBS_${target} quillmoor_ftp)
endforeach()

if(TARGET quillmoor_sites_store)
  list(APPEND QUILLMOOR_FUZZ_TARGETS catalogue)
  set(QUILLMOOR_FUZZ_LIBS_catalogue quillmoor_sites_store)
endif()

if(TARGET quillmoor_platform_desktop AND EXISTS ${PROJECT_SOURCE_DIR}/src/platform/desktop/icon_spec.cpp)
  list(APPEND QUILLMOOR_FUZZ_TARGETS icon_spec)
  set(QUILLMOOR_FUZZ_LIBS_icon_spec quillmoor_platform_desktop)
endif()

if(TARGET quillmoor_cli)
  list(APPEND QUILLMOOR_FUZZ_TARGETS cli_settings command_words)
  set(QUILLMOOR_FUZZ_LIBS_cli_settings quillmoor_cli)
  set(QUILLMOOR_FUZZ_LIBS_command_words quillmoor_cli)
endif()
