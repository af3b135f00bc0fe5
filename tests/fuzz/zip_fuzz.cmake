# The zip reader of the sound packs, with zlib from the system: the target is
# built by clang++ like the others, so it links zlib itself.
set(zip_fuzz ${fuzz_dir}/zip_reader_fuzz)
set(zip_fuzz_sources ${CMAKE_CURRENT_SOURCE_DIR}/zip_reader_fuzz.cpp ${CMAKE_SOURCE_DIR}/packs/zip_archive.cpp
    ${CMAKE_SOURCE_DIR}/packs/safe_path.cpp)
add_custom_command(
  OUTPUT ${zip_fuzz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${fuzz_dir}/zip_corpus
  COMMAND ${BRISOLT_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra
          -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
          -I${CMAKE_SOURCE_DIR} ${zip_fuzz_sources} -lz -o ${zip_fuzz}
  DEPENDS ${zip_fuzz_sources} ${CMAKE_SOURCE_DIR}/packs/zip_archive.h ${CMAKE_SOURCE_DIR}/packs/safe_path.h
  COMMENT "Building zip_reader_fuzz with clang++"
  VERBATIM)
add_custom_target(zip_reader_fuzz ALL DEPENDS ${zip_fuzz})

# A declared entry may be 100 MB, which the reader allocates as it unpacks:
# the memory limit leaves room for that.
add_test(NAME ZipReaderFuzz.ShortRun
  COMMAND ${zip_fuzz} -max_total_time=20 -timeout=10 -rss_limit_mb=2048 -artifact_prefix=${fuzz_dir}/
          ${fuzz_dir}/zip_corpus ${CMAKE_CURRENT_SOURCE_DIR}/zip_corpus)
set_tests_properties(ZipReaderFuzz.ShortRun PROPERTIES LABELS unit TIMEOUT 120)
