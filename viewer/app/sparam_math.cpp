#include "viewer/app/sparam_math.h"

#include <cstddef>

namespace viewer {

void TwoPortToS(char kind, TComplex m[4])
{
    switch (kind) {
    case 'H':
        HToS(m[0], m[1], m[2], m[3]);
        break;
    case 'Y':
        YToS(m[0], m[1], m[2], m[3]);
        break;
    case 'Z':
        ZToS(m[0], m[1], m[2], m[3]);
        break;
    default:
        break;
    }
}

void SToTwoPort(int kind, TComplex m[4])
{
    switch (kind) {
    case 1:
        SToY(m[0], m[1], m[2], m[3]);
        break;
    case 2:
        SToZ(m[0], m[1], m[2], m[3]);
        break;
    case 3:
        SToH(m[0], m[1], m[2], m[3]);
        break;
    default:
        break;
    }
}

bool RenormaliseS(std::vector<std::complex<double>>& s, int n, double z0, double newZ0)
{
    using C = std::complex<double>;
    const double r = (newZ0 - z0) / (newZ0 + z0);
    const auto N = static_cast<std::size_t>(n);
    if (n == 1) {
        C d = 1.0 - r * s[0];
        if (d == 0.0)
            return false;
        s[0] = (s[0] - r) / d;
        return true;
    }
    // (I - rS) X = S - rI; both sides are functions of S, so X = (S - rI)(I - rS)^-1.
    std::vector<C> b(N * N), x(N * N);
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = 0; j < N; ++j) {
            C v = s[i * N + j];
            b[i * N + j] = (i == j ? 1.0 : 0.0) - r * v;
            x[i * N + j] = v - (i == j ? r : 0.0);
        }
    for (std::size_t col = 0; col < N; ++col) {
        std::size_t pivot = col;
        for (std::size_t i = col + 1; i < N; ++i)
            if (std::abs(b[i * N + col]) > std::abs(b[pivot * N + col]))
                pivot = i;
        if (b[pivot * N + col] == 0.0)
            return false;
        if (pivot != col)
            for (std::size_t j = 0; j < N; ++j) {
                std::swap(b[pivot * N + j], b[col * N + j]);
                std::swap(x[pivot * N + j], x[col * N + j]);
            }
        const C inv = 1.0 / b[col * N + col];
        for (std::size_t i = 0; i < N; ++i) {
            if (i == col)
                continue;
            const C f = b[i * N + col] * inv;
            if (f == 0.0)
                continue;
            for (std::size_t j = col; j < N; ++j)
                b[i * N + j] -= f * b[col * N + j];
            for (std::size_t j = 0; j < N; ++j)
                x[i * N + j] -= f * x[col * N + j];
        }
    }
    for (std::size_t i = 0; i < N; ++i) {
        const C inv = 1.0 / b[i * N + i];
        for (std::size_t j = 0; j < N; ++j)
            s[i * N + j] = x[i * N + j] * inv;
    }
    return true;
}

} // namespace viewer
