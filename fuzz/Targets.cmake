# The fuzz targets, one source file each (NAME.cpp): built by fuzz/CMakeLists.txt for libFuzzer and
# by tests/fuzz to replay their seeds in the test build.
set(TARNEL_FUZZ_TARGETS
    module_lines_fuzzer
    project_reader_fuzzer
    split_fields_fuzzer
    profile_fuzzer
    reserved_words_fuzzer
    analysis_reports_fuzzer
    precise_module_fuzzer
    lsp_message_fuzzer)
