# The database engine's reader of untrusted bytes. The seed corpus in
# fuzz/corpus/database_fuzz/ was made from tests/data/database/fuzz_seed*.json:
#   zvdb create tests/data/database/fuzz_seed.json fuzz/corpus/database_fuzz/plain.zvc
#   zvdb create tests/data/database/fuzz_seed_packed.json fuzz/corpus/database_fuzz/packed.zvc
velmorak_add_fuzzer(NAME database_fuzz SOURCES database_fuzz.cpp LIBS velmorak_database)
