#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "app/weather_state.h"

namespace tickwell {
namespace {

TEST(WeatherStateTest, AllocationEmptiesBothTextsAtTheScrollStart) {
    AllocateWeatherBuffers();
    for (ScrollText* scroll : {&weatherState.today, &weatherState.outlook}) {
        ASSERT_NE(scroll->text, nullptr);
        EXPECT_STREQ(scroll->text, "");
        EXPECT_EQ(scroll->length, 0);
        EXPECT_EQ(scroll->position, -20);
    }
    ASSERT_NE(pageBuffer, nullptr);
    EXPECT_NE(weatherState.today.text, weatherState.outlook.text);
    EXPECT_NE(pageBuffer, weatherState.today.text);
}

TEST(WeatherStateTest, DataMutexSerialisesWritersAndReaders) {
    AllocateWeatherBuffers();
    ASSERT_NE(DataMutex, nullptr);
    auto writer = [] {
        for (int i = 0; i < 500; ++i) {
            DataMutexHold hold;
            weatherState.today.length = weatherState.today.length + 1;
            weatherState.today.text[0] = 'x';
        }
    };
    std::thread a(writer);
    std::thread b(writer);
    a.join();
    b.join();
    EXPECT_EQ(weatherState.today.length, 1000);
}

}  // namespace
}  // namespace tickwell
