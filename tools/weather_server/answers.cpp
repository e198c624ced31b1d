#include "answers.h"

#include <cstddef>
#include <utility>

namespace tickwell::tools {

void SetBody(httplib::Response& res, int status, std::string body) {
    res.status = status;
    const std::size_t size = body.size();
    if (size == 0) {
        res.set_content("", "text/html");
        return;
    }
    res.set_content_provider(
        size, "text/html",
        [text = std::move(body)](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(text.data() + offset, length);
        });
}

void SetCutShortBody(httplib::Response& res, std::string body) {
    res.status = 200;
    const std::size_t size = body.size() < 2 ? 2 : body.size();
    res.set_content_provider(
        size, "text/html",
        [text = std::move(body)](std::size_t, std::size_t, httplib::DataSink& sink) {
            sink.write(text.data(), text.size() / 2);
            return false;
        });
}

}  // namespace tickwell::tools
