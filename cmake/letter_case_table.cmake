# The letter-case table is generated from the ICU of the Linux build and
# committed, so that the Windows build, which has no ICU, maps letter case
# alike. After an ICU update (tests/text/letter_case_icu_test.cpp fails):
#
#   cmake --build build --target letter_case_table
add_executable(letter_case_table_gen EXCLUDE_FROM_ALL tools/letter_case_table_gen.cpp)
target_link_libraries(letter_case_table_gen PRIVATE ICU::uc)
add_custom_target(letter_case_table
  COMMAND letter_case_table_gen ${CMAKE_CURRENT_SOURCE_DIR}/src/text/letter_case_table.inc
  COMMENT "Writing src/text/letter_case_table.inc from ICU"
  VERBATIM)
