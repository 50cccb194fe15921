#pragma once

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

// However a distribution is asked, it answers with a number and never throws.
namespace quiet {
namespace policies = boost::math::policies;
using Policy = policies::policy<policies::domain_error<policies::ignore_error>,
                                policies::overflow_error<policies::ignore_error>,
                                policies::evaluation_error<policies::ignore_error>>;
using ChiSquared = boost::math::chi_squared_distribution<double, Policy>;
using Normal = boost::math::normal_distribution<double, Policy>;
using StudentsT = boost::math::students_t_distribution<double, Policy>;
}  // namespace quiet
