# The filter language: arbitrary filter texts parsed and evaluated over a
# small table made once per process. The seed corpus in
# fuzz/corpus/filter_fuzz/ holds valid filters (first byte: the options);
# fuzz/filter.dict lists the language's tokens. Run longer with
#   build/fuzz/fuzz/filter_fuzz -dict=fuzz/filter.dict -max_total_time=600 fuzz/corpus/filter_fuzz
velmorak_add_fuzzer(NAME filter_fuzz SOURCES filter_fuzz.cpp LIBS velmorak_database velmorak_zvdb_creator)
