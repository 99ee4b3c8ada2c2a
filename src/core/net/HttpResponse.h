#pragma once

#include "HttpHeaders.h"

#include <QUrl>

namespace marrowfin {

// What is kept of the final response of one send (after redirects): its status, the address it came from and its
// header fields. Interim 1xx answers and the answers that redirected are not kept.
struct HttpResponse
{
    int statusCode = 0;
    QUrl url;
    HttpHeaders headers;
};

} // namespace marrowfin
