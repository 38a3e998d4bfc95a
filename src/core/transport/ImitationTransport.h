#pragma once
// The imitation mode: the families install a generator that fills the
// response as the device would; no line is used. Without a generator the
// response is left as it is.

#include "transport/Transport.h"

#include <functional>

namespace omi {

class ImitationTransport : public Transport {
public:
    using Handler = std::function<void(const Frame& request, Frame& response)>;
    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    bool Exchange(const Frame& request, Frame& response) override;

private:
    Handler handler_;
};

}  // namespace omi
