# The listing scraper side by side with ICU's own matching of the same page: what the scraper adds per page.
add_executable(marrowfin_bench_scrape "${CMAKE_CURRENT_LIST_DIR}/ScraperBench.cpp")
target_link_libraries(marrowfin_bench_scrape PRIVATE marrowfin_options marrowfin_scrape benchmark::benchmark ICU::i18n
                                                     ICU::uc)
target_include_directories(marrowfin_bench_scrape PRIVATE "${PROJECT_SOURCE_DIR}/tests")
