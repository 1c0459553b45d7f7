# The name file benchmark: built with the native build, run without
# sanitizers by bench/run_name_file_bench.sh.
add_executable(name_file_bench bench/name_file_bench.cpp)
target_link_libraries(name_file_bench PRIVATE ${pcilist_sim_program})
