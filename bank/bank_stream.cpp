// The dispatch from a bank stream to its encoder.
#include "bank/bank_stream.h"

size_t EncodeBankStream(BankStream stream, std::span<const uint8_t> image, std::span<uint8_t> out,
                        uint8_t channel) {
    const size_t length = BankStreamSize(stream);
    const size_t imageSize = BankStreamKind(stream) == kM16CKind ? kM16CImageSize : kM64CImageSize;
    if (length == 0 || out.size() < length || image.size() < imageSize) return 0;
    switch (stream) {
    case BankStream::Jx8pBank:
        EncodeJx8pBank(image.first<kM16CImageSize>(), out.first<kJx8pBankStreamSize>(), channel);
        break;
    case BankStream::Jx10Bulk:
        EncodeJx10Bulk(image.first<kM64CImageSize>(), out.first<kJx10BulkStreamSize>(), channel);
        break;
    case BankStream::Mks70Bank:
        EncodeMks70Bank(image.first<kM64CImageSize>(), out.first<kMks70BankStreamSize>(), channel);
        break;
    case BankStream::None: return 0;
    }
    return length;
}
