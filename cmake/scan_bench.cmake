# The scan benchmark: built with the native build, run by bench/run_scan_bench.sh.
add_executable(scan_bench bench/scan_bench.cpp)
target_link_libraries(scan_bench PRIVATE ${pcilist_sim_program})
