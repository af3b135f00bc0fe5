# config.json of the sound packs, with nlohmann-json from the build tree's
# folder of its own (packs/json.cmake), as the program is built.
set(pack_fuzz ${fuzz_dir}/pack_config_fuzz)
set(pack_fuzz_sources ${CMAKE_CURRENT_SOURCE_DIR}/pack_config_fuzz.cpp ${CMAKE_SOURCE_DIR}/packs/pack_config.cpp
    ${CMAKE_SOURCE_DIR}/packs/safe_path.cpp)
add_custom_command(
  OUTPUT ${pack_fuzz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${fuzz_dir}/pack_corpus
  COMMAND ${BRISOLT_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra
          -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
          -I${CMAKE_SOURCE_DIR} -isystem ${BRISOLT_JSON_INCLUDE_DIR} ${pack_fuzz_sources} -o ${pack_fuzz}
  DEPENDS ${pack_fuzz_sources} ${CMAKE_SOURCE_DIR}/packs/pack_config.h ${CMAKE_SOURCE_DIR}/packs/safe_path.h
  COMMENT "Building pack_config_fuzz with clang++"
  VERBATIM)
add_custom_target(pack_config_fuzz ALL DEPENDS ${pack_fuzz})

add_test(NAME PackConfigFuzz.ShortRun
  COMMAND ${pack_fuzz} -max_total_time=20 -timeout=10 -artifact_prefix=${fuzz_dir}/
          ${fuzz_dir}/pack_corpus ${CMAKE_CURRENT_SOURCE_DIR}/pack_corpus)
set_tests_properties(PackConfigFuzz.ShortRun PROPERTIES LABELS unit TIMEOUT 120)
