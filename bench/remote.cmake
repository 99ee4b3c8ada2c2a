# One send to each local daemon (Transmission, qBittorrent, Deluge) that the benchmark starts itself; the torrent
# comes from a scripted site.
if(TARGET marrowfin_test_support)
    add_executable(marrowfin_bench_send "${CMAKE_CURRENT_LIST_DIR}/SendBench.cpp")
    target_link_libraries(marrowfin_bench_send PRIVATE marrowfin_options marrowfin_remote marrowfin_test_support
                                                       benchmark::benchmark)
endif()
